#pragma once
// The program's entry routine.

class QWidget;

namespace modGlobal {

// Runs the program: splash, settings, login, main window; returns the exit code.
int Main(int argc, char** argv);

// The login at start-up; false ends the program. The password window comes with the
// password support: until then every start may go on.
bool Login(QWidget* parent);

} // namespace modGlobal
