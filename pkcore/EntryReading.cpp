#include "pkcore/EntryReading.h"

#include <QCoreApplication>

#include <cmath>

namespace pk
{
namespace
{
constexpr int kFewestSpanDecimals = 1;
constexpr int kMostSpanDecimals = 12;

QString tr(const char* text)
{
    return QCoreApplication::translate("EntryReading", text);
}

QString belowRefusal(const EntryRange& range)
{
    if (range.lowest != 0.0)
        return tr("Enter a number of at least %1.").arg(boundText(range.lowest));
    return range.lowestTaken ? tr("Enter a number of 0 or more.") : tr("Enter a number above 0.");
}
} // namespace

QString boundText(double bound)
{
    return QString::number(bound, 'f', bound < 1.0 ? 2 : 0);
}

QString outsideGraphRefusal(const QString& timeName, double time, double spanStart, double spanEnd,
                            const QString& unit)
{
    // One decimal, or as many more as it takes for the time to read outside the span as named.
    int decimals = kFewestSpanDecimals;
    const auto shown = [&decimals](double value) {
        return QString::number(value, 'f', decimals).toDouble();
    };
    while (decimals < kMostSpanDecimals && shown(time) >= shown(spanStart) &&
           shown(time) <= shown(spanEnd))
        ++decimals;
    const auto text = [decimals](double value) { return QString::number(value, 'f', decimals); };
    return tr("%1 (%2 %3) lies outside the graph, which spans %4 to %5 %3.")
        .arg(timeName, text(time), unit, text(spanStart), text(spanEnd));
}

EntryReading readEntry(const QString& text, const EntryRange& range)
{
    EntryReading r;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return r;
    r.filled = true;
    bool ok = false;
    r.value = trimmed.toDouble(&ok);
    // More digits than a double holds read as unreadable but infinite: a number all the same,
    // refused for its size where the field has a bound to name.
    const bool tooLong = !ok && std::isinf(r.value);
    if (!(ok && std::isfinite(r.value)) && !tooLong)
        r.refusal = tr("Enter a number.");
    else if (range.lowestTaken ? r.value < range.lowest : !(r.value > range.lowest))
        r.refusal = belowRefusal(range);
    else if (r.value > range.highest)
        r.refusal = tr("Enter a number of at most %1.").arg(boundText(range.highest));
    else if (range.whole && r.value != std::floor(r.value))
        r.refusal = tr("Enter a whole number from %1 to %2.")
                        .arg(boundText(range.lowest), boundText(range.highest));
    else if (tooLong)
        r.refusal = tr("Enter a number.");
    return r;
}
} // namespace pk
