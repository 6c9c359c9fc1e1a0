// A displayable picture, shared by reference and never changed once made. The empty picture
// (handle 0) means that nothing is loaded.
#pragma once

#include <QImage>
#include <memory>

namespace glimmer {

class Picture {
  public:
    Picture() = default; // the empty picture
    explicit Picture(QImage image);

    // Non-zero exactly when the picture holds an image; unique for the run.
    [[nodiscard]] quint64 handle() const noexcept { return m_data ? m_data->handle : 0; }
    [[nodiscard]] bool isEmpty() const noexcept { return handle() == 0; }
    [[nodiscard]] const QImage& image() const noexcept;

  private:
    struct Data {
        QImage image;
        quint64 handle;
    };
    std::shared_ptr<const Data> m_data;
};

} // namespace glimmer
