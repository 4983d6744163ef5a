#pragma once

class QWidget;
class SessionData;

// A guest has no database connection. True when the session is logged in; otherwise says so
// in a "Guest Mode" box over parent and gives false.
bool loggedInOrTold(QWidget* parent, const SessionData& session);
