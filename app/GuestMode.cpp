#include "app/GuestMode.h"

#include "pkcore/SessionData.h"
#include "platform/MessageBox.h"

#include <QCoreApplication>

bool loggedInOrTold(QWidget* parent, const SessionData& session)
{
    if (session.loggedIn)
        return true;
    MessageBox::information(
        parent, QCoreApplication::translate("GuestMode", "Guest Mode"),
        QCoreApplication::translate("GuestMode", "Guest mode cannot connect to database."));
    return false;
}
