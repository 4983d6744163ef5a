#include "phenytoin/SaturationNotice.h"

#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>

SaturationNotice::SaturationNotice()
    : m_box(std::make_unique<QMessageBox>(
          QMessageBox::Information, QCoreApplication::translate("phenytoin", "Warning"), QString(),
          QMessageBox::NoButton, nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint))
{
    m_box->setModal(false);
}

SaturationNotice::~SaturationNotice() = default;

void SaturationNotice::show(const QString& text)
{
    if (m_box->isVisible() && m_box->text() == text)
        return;
    m_box->setText(text);
    if (MessageBox::scripted())
        MessageBox::information(nullptr, m_box->windowTitle(), text);
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
