#pragma once
// Whatever the platform loads later (a message box brings its own helpers) comes from the
// system folder, never from the folder a setup runs the program in. Looked up: older systems
// lack the call, and there the program runs as before.
void RestrictDllSearch();
