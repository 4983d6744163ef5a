#include "cases/ParameterGroupView.h"

#include "app/NarrowCombo.h"
#include "app/NarrowLabel.h"
#include "app/StartInView.h"
#include "pkcore/DrugCodes.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <cmath>

namespace
{
constexpr double percent = 100.0;
constexpr double halfLifeFactor = 0.693;
constexpr int rateSignificantDigits = 3;
constexpr int routeComboCharacters = 12;
constexpr int rateMostDecimals = 6;
// The volume per kilogram keeps the room of one whole digit: at a 10 pt font the phenytoin page
// has none to spare beside it.
constexpr double widestUsualVolumePerKg = 9.99;

// A one-sigma spread is never negative: the fit marks one it could not form so.
QString spreadText(double spread)
{
    if (!(spread >= 0.0))
        return QCoreApplication::translate("ParameterGroupView", "not available");
    return ParameterGroupView::number(spread);
}

template <typename T> T* child(QWidget* page, const QString& name)
{
    T* widget = page->findChild<T*>(name);
    Q_ASSERT_X(widget, "ParameterGroupView", qPrintable(name));
    return widget;
}
} // namespace

ParameterGroupView::ParameterGroupView(QWidget* page, const QString& prefix)
    : m_page(page), m_prefix(prefix)
{
    const auto line = [&](const char* name) {
        return child<QLineEdit>(page,
                                QStringLiteral("line_%1_%2").arg(prefix, QLatin1String(name)));
    };
    f = line("F");
    fRange = line("rangeF");
    vd = line("vdb");
    vdRange = line("rangevdb");
    cl = line("cl");
    clRange = line("rangecl");
    cf = line("cf");
    cfRange = line("rangecf");
    kd = line("kd");
    range4 = line("range4");
    halfLife = line("t12");
    // A figure wider than its field (a custom Vd of 99999.999, the half-life that follows from a
    // tiny clearance) must lose its last decimals from view, never its leading digits.
    for (QLineEdit* field :
         {f, fRange, vd, vdRange, cl, clRange, cf, cfRange, kd, range4, halfLife})
        keepStartInView(field);
    vdUnit = label(QStringLiteral("vd_u"));
    m_volumePerKg = new NarrowLabel(vdUnit, volumePerKg(widestUsualVolumePerKg, 1.0));
    route = child<QComboBox>(page, QStringLiteral("comboBox_%1_route").arg(prefix));
    // Route texts such as "Oral - Divalproex Extended - Release Capsules" would widen the page
    // past the screen.
    keepComboNarrow(route, routeComboCharacters);
}

namespace
{
// Puts each of two widgets of one grid where the other stands.
void swapCells(QWidget* first, QWidget* second)
{
    for (QGridLayout* grid : first->parentWidget()->findChildren<QGridLayout*>()) {
        const int firstIndex = grid->indexOf(first);
        const int secondIndex = grid->indexOf(second);
        if (firstIndex < 0 || secondIndex < 0)
            continue;
        int firstRow = 0, firstColumn = 0, secondRow = 0, secondColumn = 0, span = 0;
        grid->getItemPosition(firstIndex, &firstRow, &firstColumn, &span, &span);
        grid->getItemPosition(secondIndex, &secondRow, &secondColumn, &span, &span);
        grid->removeWidget(first);
        grid->removeWidget(second);
        grid->addWidget(first, secondRow, secondColumn);
        grid->addWidget(second, firstRow, firstColumn);
        return;
    }
}
} // namespace

QLabel* ParameterGroupView::label(const QString& name) const
{
    return child<QLabel>(m_page, QStringLiteral("Label_%1_%2").arg(m_prefix, name));
}

QString ParameterGroupView::number(double value)
{
    return QString::number(value, 'f', 2);
}

QString ParameterGroupView::rateNumber(double rate)
{
    // Two decimals would show a slow elimination (a β of 0.0237 /hr) as 0.02.
    if (!std::isfinite(rate) || rate == 0.0)
        return number(rate);
    const int leadingDigit = int(std::floor(std::log10(std::fabs(rate))));
    const int decimals = qBound(2, rateSignificantDigits - 1 - leadingDigit, rateMostDecimals);
    return QString::number(rate, 'f', decimals);
}

QString ParameterGroupView::volumePerKg(double vd, double weightKg)
{
    const double perKg = weightKg == 0.0 ? 0.0 : vd / weightKg;
    return QStringLiteral("(") + number(perKg) + QStringLiteral(" L/kg)");
}

ParameterGroupView::Texts ParameterGroupView::setTexts(const PkParameterSet& p, const RangeBlock& r,
                                                       bool phenytoin, double weightKg)
{
    Texts t;
    t.vd = number(p[pk::kVd]);
    t.vdRange = number(p[pk::kVd] * r[pk::kFitVd]);
    if (phenytoin) {
        t.cl = number(p[pk::kKm]);
        t.clRange = number(p[pk::kKm] * r[pk::kFitKm]);
        t.cf = number(p[pk::kVmax]);
        t.cfRange = number(p[pk::kVmax] * r[pk::kFitVmax]);
        t.kd = number(p[pk::kCF] * percent);
        t.range4 = number(p[pk::kCF] * r[pk::kFitCF] * percent);
    } else {
        const double k = p[pk::kCl] / p[pk::kVd];
        t.cl = number(p[pk::kCl]);
        t.clRange = number(p[pk::kCl] * r[pk::kFitCl]);
        t.cf = number(p[pk::kCF] * percent);
        t.cfRange = number(p[pk::kCF] * percent * r[pk::kFitCF]);
        t.kd = rateNumber(k);
        t.halfLife = number(halfLifeFactor / k);
    }
    t.volumePerKg = volumePerKg(p[pk::kVd], weightKg);
    return t;
}

ParameterGroupView::Texts ParameterGroupView::fittedTexts(const PkParameterSet& p,
                                                          const RangeBlock& b, bool phenytoin,
                                                          double weightKg)
{
    Texts t;
    t.f = number(p[pk::kF] * percent);
    t.fRange = spreadText(b[pk::kFitF]);
    t.vd = number(p[pk::kVd]);
    t.vdRange = spreadText(b[pk::kFitVd]);
    if (phenytoin) {
        t.cl = number(p[pk::kKm]);
        t.clRange = spreadText(b[pk::kFitKm]);
        t.cf = number(p[pk::kVmax]);
        t.cfRange = spreadText(b[pk::kFitVmax]);
        t.kd = number(p[pk::kCF] * percent);
        t.range4 = spreadText(b[pk::kFitCF]);
    } else {
        const double k = p[pk::kCl] / p[pk::kVd];
        t.cl = number(p[pk::kCl]);
        t.clRange = spreadText(b[pk::kFitCl]);
        t.cf = number(p[pk::kCF] * percent);
        t.cfRange = spreadText(b[pk::kFitCF]);
        t.kd = rateNumber(k);
        t.halfLife = number(halfLifeFactor / k);
    }
    t.volumePerKg = volumePerKg(p[pk::kVd], weightKg);
    return t;
}

void ParameterGroupView::show(const Texts& t) const
{
    if (!t.f.isEmpty()) {
        f->setText(t.f);
        fRange->setText(t.fRange);
    }
    vd->setText(t.vd);
    vdRange->setText(t.vdRange);
    cl->setText(t.cl);
    clRange->setText(t.clRange);
    cf->setText(t.cf);
    cfRange->setText(t.cfRange);
    kd->setText(t.kd);
    range4->setText(t.range4);
    halfLife->setText(t.halfLife);
    showVolumePerKg(t.volumePerKg);
}

void ParameterGroupView::showVolumePerKg(const QString& text) const
{
    m_volumePerKg->setText(text);
}

void ParameterGroupView::relabel(const QString& drugCode) const
{
    if (drugCode == QLatin1String("VM")) {
        label(QStringLiteral("Vd"))->setText(QStringLiteral("Vd") + QChar(0x03B2));
        label(QStringLiteral("kd"))->setText(QStringLiteral("  ") + QChar(0x03B2));
    } else if (drugCode == QLatin1String(phenytoinCode)) {
        label(QStringLiteral("CL"))->setText(QStringLiteral("Km"));
        label(QStringLiteral("CL_unit"))->setText(QStringLiteral("mg/L"));
        label(QStringLiteral("CF"))->setText(QStringLiteral("Vmax"));
        label(QStringLiteral("CF_unit"))->setText(QStringLiteral("mg/day"));
        label(QStringLiteral("kd"))->setText(QStringLiteral("CF"));
        label(QStringLiteral("kd_unit"))->setText(QStringLiteral("+/-"));
        label(QStringLiteral("unit4"))->setText(QStringLiteral("%"));
        // The compliance row reads as the F row does, value, unit, then range; a unit after the
        // range would take a column of its own from fields as wide as the page allows.
        swapCells(label(QStringLiteral("kd_unit")), label(QStringLiteral("unit4")));
        label(QStringLiteral("t"))->hide();
        label(QStringLiteral("t_unit"))->hide();
        halfLife->hide();
    } else {
        range4->hide();
        label(QStringLiteral("unit4"))->hide();
    }
}
