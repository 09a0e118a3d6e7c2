// The start-up procedure: the splash window, then the main window loaded and shown.
#pragma once

class Program;

// Shows the splash window, creates and loads the main window (stored in
// program.mainWindow), destroys the splash window and shows the main window. Gives the program
// its store of recovery copies unless it has one, and offers back, once the main window is up,
// the unsaved windows of a run that did not end normally. Returns with the program driven by
// events from here on.
void Main(Program& program);
