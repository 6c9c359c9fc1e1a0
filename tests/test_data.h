// Where the test pictures are; tests/run_unprivileged.sh points GLIMMER_TEST_DATA at a copy
// that the user it runs as may read.
#pragma once

#include <QString>

namespace testing_glimmer {

inline QString testData(const QString& name) {
    return qEnvironmentVariable("GLIMMER_TEST_DATA", QStringLiteral(GLIMMER_TEST_DATA)) + '/' +
           name;
}

} // namespace testing_glimmer
