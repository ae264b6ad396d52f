#include "GUI/MarketingDialog.h"

#include "GuiSupport.h"

#include <Product/Product.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace GUI {

MarketingDialog::MarketingDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Product::name());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Track, solve, render and script your shots with %1.").arg(Product::name())));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

bool MarketingDialog::needsToBeShown(unsigned int openCount)
{
    GuiSupport::recordCall(QStringLiteral("GUI::MarketingDialog::needsToBeShown(%1)").arg(openCount));
    return openCount == 1 || (openCount != 0 && openCount % 10 == 0);
}

int MarketingDialog::exec()
{
    GuiSupport::recordCall(QStringLiteral("GUI::MarketingDialog::exec()"));
    if (GuiSupport::runsHeadless())
        return QDialog::Accepted;
    return QDialog::exec();
}

} // namespace GUI
