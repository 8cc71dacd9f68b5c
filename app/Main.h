#pragma once
// The program's entry routine.

class QWidget;

namespace modGlobal {

// Runs the program: splash, settings, login, main window; returns the exit code.
int Main(int argc, char** argv);

// The login at start-up: the password window when a password is set; false ends the program.
bool Login(QWidget* parent);

} // namespace modGlobal
