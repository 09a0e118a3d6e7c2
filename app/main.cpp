// UNBUILT: the program's entry comes with the main window.
int main() { return 0; }
