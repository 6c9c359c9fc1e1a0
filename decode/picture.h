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

    // Size in HiMetric (1/100 mm) at the screen's resolution, 96 pixels per inch without one.
    [[nodiscard]] int widthHiMetric() const;
    [[nodiscard]] int heightHiMetric() const;

    // Whether both refer to the same picture object, not merely equal pixels.
    [[nodiscard]] bool sameAs(const Picture& other) const noexcept {
        return m_data == other.m_data;
    }

    [[nodiscard]] static double pixelsPerInch();
    [[nodiscard]] static int toHiMetric(int pixels, double pixelsPerInch);

  private:
    struct Data {
        QImage image;
        quint64 handle;
    };
    std::shared_ptr<const Data> m_data;
};

} // namespace glimmer
