#pragma once

#include <QDialog>

class QLabel;

// Tells the user about newer builds of the product.
class frmSoftwareUpdate : public QDialog
{
    Q_OBJECT
public:
    explicit frmSoftwareUpdate(QWidget* parent = nullptr);

    // Looks for a newer build. This build knows no update server, so the
    // answer is always that none was found; nothing is shown.
    void vCheckForSoftwareUpdate();

private:
    QLabel* m_status;
};
