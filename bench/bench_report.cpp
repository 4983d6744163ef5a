#include "bench/BenchApplication.h"
#include "report/ReportComposer.h"
#include "tests/report/tst_report_fixture.h"

#include <QApplication>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include <benchmark/benchmark.h>

namespace
{
// The dialog's preview of a full report: every section, the graph drawn off-screen, a comment.
void BM_ReportPreview(benchmark::State& state)
{
    ensureApplication();
    const SessionData session = reportfixture::gentamicinCase();
    ReportContent content;
    content.session = &session;
    content.boxes.fill(true);
    content.comment = QStringLiteral("Trough above target; extend the interval to 12 hours.\n"
                                     "Recheck the creatinine and a trough before the 3rd dose.");
    content.printedAt = QDateTime::currentDateTime();
    int pages = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::ScreenResolution);
        QPrintPreviewWidget preview(&printer);
        preview.setViewMode(QPrintPreviewWidget::AllPagesView);
        QObject::connect(&preview, &QPrintPreviewWidget::paintRequested,
                         [&content](QPrinter* target) { ReportComposer(content).print(target); });
        preview.updatePreview();
        pages = preview.pageCount();
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_ReportPreview)->Unit(benchmark::kMillisecond);
} // namespace
