// The start-up procedure: the splash window, then the main window loaded and shown.
#pragma once

class Program;

// Shows the splash window, creates and loads the main window (stored in
// program.mainWindow), destroys the splash window and shows the main window. Returns with
// the program driven by events from here on.
void Main(Program& program);
