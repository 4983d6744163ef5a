#include "phenytoin/SaturationNotice.h"

#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>

SaturationNotice::SaturationNotice(const QString& text)
    : m_box(std::make_unique<QMessageBox>(
          QMessageBox::Information, QCoreApplication::translate("phenytoin", "Warning"), text,
          QMessageBox::NoButton, nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint))
{
    m_box->setModal(false);
}

SaturationNotice::~SaturationNotice() = default;

void SaturationNotice::show()
{
    if (m_box->isVisible())
        return;
    if (MessageBox::scripted())
        MessageBox::information(nullptr, m_box->windowTitle(), m_box->text());
    m_box->show();
}

bool SaturationNotice::isShowing() const
{
    return m_box->isVisible();
}

void SaturationNotice::close()
{
    m_box->hide();
}
