// Keeps the library non-empty until the error report lands.
