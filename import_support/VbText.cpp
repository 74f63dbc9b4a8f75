#include "import_support/VbText.h"

#include <cmath>

#include <winpal/winpal.h>

namespace vb {

QString Trim(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

bool IsBlank(QString text) {
    return Trim(text.remove(QChar(u'\0'))).isEmpty();
}

QString FormatPercent(double fraction) {
    double tenths = std::round(fraction * 1000.0);  // std::round takes halves away from zero
    QString digits = QString::number(std::fabs(tenths), 'f', 0);
    if (digits.size() < 2)
        digits.prepend(u'0');
    QString sign = tenths < 0 ? QStringLiteral("-") : QString();
    return sign + digits.left(digits.size() - 1) + u'.' + digits.right(1) + u'%';
}

std::string ToAnsi(const QString& text) {
    return winpal::WideToAnsi(text.toStdU16String());
}

QString FromAnsi(const std::string& ansi) {
    return QString::fromStdU16String(winpal::AnsiToWide(ansi));
}

}  // namespace vb
