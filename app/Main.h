#pragma once
// The program's entry routine.

class QWidget;
class clsSettings;

namespace modGlobal {

// Runs the program: splash, settings, login, main window; returns the exit code.
int Main(int argc, char** argv);

// The login at start-up: the password window when a password is set; false ends the program.
// Failures are reported with `settings`' support address.
bool Login(QWidget* parent, const clsSettings& settings);

} // namespace modGlobal
