#pragma once

#include "station/LedMetter.h"

#include <QImage>
#include <QWidget>

// Executes a meter's paint operations on an image (RGB32); a clearing paint first makes
// the image width x height and black.
void PaintMeter(QImage& image, const MeterPaint& paint);

// Shows a station's level meter image; what to paint comes from LedMetter. A mouse press
// emits clicked(), for the owner to switch the scale.
class LedMeterView : public QWidget {
    Q_OBJECT
public:
    explicit LedMeterView(QWidget* parent = nullptr);

    void Apply(const MeterPaint& paint);
    const QImage& Image() const { return image_; }
    QSize sizeHint() const override;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage image_;
};
