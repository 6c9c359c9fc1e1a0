// Built into glimmer-pcx under ThreadSanitizer only, so that the suppressions travel with the
// program wherever a test runs it (also as a user who cannot read the checkout).

// Qt's own thread pool ends its idle threads at exit through libQt6Core's QThread::wait,
// which ThreadSanitizer cannot see, so tearing down their wait conditions looks like a race.
extern "C" const char* __tsan_default_suppressions() {
    return "race:QWaitCondition::~QWaitCondition\n";
}
