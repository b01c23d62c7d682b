#include "TrayContrast.h"

#include <algorithm>
#include <cmath>

namespace TrayContrast {

namespace {

double linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

} // namespace

double ratio(const QColor &a, const QColor &b) {
    const double first = luminance(a), second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor strokeFor(const QColor &bar) {
    // Softer than pure white and black; the worst bar, between them, still gets 3.9:1.
    const QColor light(0xfa, 0xfa, 0xfa), dark(0x20, 0x20, 0x20);
    return ratio(light, bar) >= ratio(dark, bar) ? light : dark;
}

QColor neutralStroke() {
    // Luminance 0.19: (0.19 + 0.05)² = (0.013 + 0.05)(0.871 + 0.05) balances both bars.
    return QColor(0x79, 0x79, 0x79);
}

std::optional<QColor> trayForeground(const QList<quint32> &hint) {
    if (hint.size() != 12 ||
        std::any_of(hint.begin(), hint.end(), [](quint32 channel) { return channel > 0xffff; }))
        return std::nullopt;
    return QColor::fromRgba64(quint16(hint[0]), quint16(hint[1]), quint16(hint[2]));
}

std::optional<QColor> barColour(const QImage &cell) {
    if (cell.width() < 1 || cell.height() < 1)
        return std::nullopt;
    const QImage image = cell.convertToFormat(QImage::Format_RGB32);
    const int right = image.width() - 1, bottom = image.height() - 1;
    QList<QRgb> edge;
    for (int x = 0; x <= right; ++x)
        edge << image.pixel(x, 0) << image.pixel(x, bottom);
    for (int y = 1; y < bottom; ++y)
        edge << image.pixel(0, y) << image.pixel(right, y);
    // The median by luminance: a neighbour's or a border's few pixels do not move it.
    const auto middle = edge.begin() + edge.size() / 2;
    std::nth_element(edge.begin(), middle, edge.end(),
                     [](QRgb a, QRgb b) { return luminance(QColor(a)) < luminance(QColor(b)); });
    return QColor(*middle);
}

} // namespace TrayContrast
