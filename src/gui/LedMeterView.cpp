#include "gui/LedMeterView.h"

#include "gui/QtColor.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

void PaintMeter(QImage& image, const MeterPaint& paint) {
    if (paint.clear) {
        if (image.size() != QSize(paint.width, paint.height) ||
            image.format() != QImage::Format_RGB32)
            image =
                QImage(std::max(paint.width, 0), std::max(paint.height, 0), QImage::Format_RGB32);
        image.fill(Qt::black);
    }
    if (image.isNull())
        return;
    QPainter painter(&image);
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const MeterLabel& label : paint.labels) {
        painter.setPen(ToQColor(label.color));
        // Labels are placed by their top-left corner and may run past the image.
        painter.drawText(QRect(label.x, label.y, image.width() + 1000, image.height() + 1000),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, label.text);
    }
    for (const MeterRect& r : paint.segments) {
        // Narrow images give empty segments; QRect would turn them around.
        if (r.x2 < r.x1 || r.y2 < r.y1)
            continue;
        painter.fillRect(QRect(QPoint(r.x1, r.y1), QPoint(r.x2, r.y2)), ToQColor(r.color));
    }
}

LedMeterView::LedMeterView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LedMeter"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LedMeterView::Apply(const MeterPaint& paint) {
    const QSize before = image_.size();
    PaintMeter(image_, paint);
    if (image_.size() != before)
        updateGeometry();
    update();
}

QSize LedMeterView::sizeHint() const {
    return image_.isNull() ? QWidget::sizeHint() : image_.size();
}

void LedMeterView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.drawImage(0, 0, image_);
}

void LedMeterView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    Q_EMIT clicked();
}
