#pragma once

#include <QDialog>

namespace GUI {

// Tells the user what the product offers; due at the first start and at every
// tenth start after it.
class MarketingDialog : public QDialog
{
    Q_OBJECT
public:
    explicit MarketingDialog(QWidget* parent = nullptr);

    static bool needsToBeShown(unsigned int openCount);

    // Runs the dialog modally. A headless run has nobody to answer it, so
    // there it is accepted at once.
    int exec() override;
};

} // namespace GUI
