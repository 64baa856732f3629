// Keeps the library non-empty until the window lands.
