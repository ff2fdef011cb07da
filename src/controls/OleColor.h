#pragma once
#include <QColor>

// Colours as hosts store them: one 32-bit value with red in the low byte.
namespace OleColor {

inline QColor ToColor(quint32 value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

inline quint32 FromColor(const QColor& color) {
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

}  // namespace OleColor
