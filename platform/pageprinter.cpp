#include "platform/pageprinter.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QWebEngineView>

#include <memory>

namespace {

constexpr char kPrinting[] = "pagePrinterBusy";

bool choose(QPrinter &printer, QWidget *parent)
{
    if (PagePrinter::ChoosePrinter)
        return PagePrinter::ChoosePrinter(printer, parent);
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool PagePrinter::Print(QWebEngineView *view, QWidget *parent)
{
    // The view renders to one printer at a time.
    if (!view || view->property(kPrinting).toBool())
        return false;
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    if (!choose(*printer, parent))
        return false;
    view->setProperty(kPrinting, true);
    // The printer must live until the view has finished with it.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(view, &QWebEngineView::printFinished, view,
                                   [view, printer, connection](bool) {
                                       QObject::disconnect(*connection);
                                       view->setProperty(kPrinting, false);
                                   });
    view->print(printer.get());
    return true;
}
