#pragma once
// Opening the archive at the main window's activation, creating it when it is missing.

class QWidget;
class clsArchiveSession;
class clsSettings;
class itfNotifyEvent;
class itfOptionsHost;

namespace modGlobal {

// Opens "Tessarin.mdb" in the settings' RootDir into `session`, or creates it with its default
// rows. When it is missing at
// the first activation the options window is shown first; false means the user left it
// without confirming and the program must end. Failures are reported to the user and leave
// the archive closed (true is returned: the program goes on).
bool InitDatabase(clsArchiveSession& session, clsSettings& settings, bool wasActivated,
                  QWidget* mainWindow, itfNotifyEvent* notify, itfOptionsHost* host);

} // namespace modGlobal
