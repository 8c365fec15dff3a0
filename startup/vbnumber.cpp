#include "startup/vbnumber.h"

#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace VbNumber
{

namespace
{

bool skipped(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Collects the leading number of text as plain ASCII ("-12.5e3"); consumed tells how many
// characters of text it took (skipped blanks included).
std::string leadingNumber(const QString& text, qsizetype* consumed)
{
    std::string out;
    qsizetype i = 0;
    qsizetype end = 0;
    const qsizetype n = text.size();
    auto skip = [&]() {
        while (i < n && skipped(text[i]))
            ++i;
    };
    skip();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        out += static_cast<char>(text[i].unicode());
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (;;) {
        skip();
        if (i >= n)
            break;
        if (isDigit(text[i])) {
            out += static_cast<char>(text[i].unicode());
            digits = true;
            end = ++i;
        } else if (text[i] == QLatin1Char('.') && !point) {
            out += '.';
            point = true;
            ++i;
            if (digits)
                end = i;
        } else {
            break;
        }
    }
    if (!digits) {
        if (consumed)
            *consumed = 0;
        return {};
    }
    // Exponent: only taken when digits follow it.
    if (i < n) {
        const QChar e = text[i].toUpper();
        if (e == QLatin1Char('E') || e == QLatin1Char('D')) {
            qsizetype j = i + 1;
            std::string exp = "e";
            while (j < n && skipped(text[j]))
                ++j;
            if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-'))) {
                exp += static_cast<char>(text[j].unicode());
                ++j;
            }
            bool expDigits = false;
            for (;;) {
                while (j < n && skipped(text[j]))
                    ++j;
                if (j < n && isDigit(text[j])) {
                    exp += static_cast<char>(text[j].unicode());
                    expDigits = true;
                    ++j;
                } else {
                    break;
                }
            }
            if (expDigits) {
                out += exp;
                end = j;
            }
        }
    }
    // Trailing blanks after the number belong to it as well.
    while (end < n && skipped(text[end]))
        ++end;
    if (consumed)
        *consumed = end;
    return out;
}

double parse(const std::string& number)
{
    if (number.empty())
        return 0.0;
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(number.c_str(), nullptr, c);
}

std::optional<qint16> roundToInt16(double v)
{
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = std::nearbyint(v); // the default rounding mode: halves to even
    if (r < -32768.0 || r > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(r);
}

} // namespace

double Val(const QString& text)
{
    return parse(leadingNumber(text, nullptr));
}

std::optional<qint16> toInt16(const QString& text)
{
    return roundToInt16(Val(text));
}

std::optional<qint16> toInt16Strict(const QString& text)
{
    const QString body = text.trimmed();
    for (QChar c : body) {
        if (c.isSpace())
            return std::nullopt;
    }
    qsizetype consumed = 0;
    const std::string number = leadingNumber(body, &consumed);
    if (number.empty())
        return std::nullopt;
    if (consumed != body.size())
        return std::nullopt;
    return roundToInt16(parse(number));
}

} // namespace VbNumber
