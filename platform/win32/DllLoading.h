// Keeps the Stub from loading libraries out of its own, the current or the temporary
// folder, where a downloaded setup may have company it did not bring.
#pragma once

// Restricts the library search to the system folder. Called first thing at start-up.
void RestrictLibrarySearch();

// Loads comctl32 from the system folder by its full path and initialises common controls.
void InitCommonControlsFromSystem();

// Loads a library from the system folder by its full path; null when it is not there.
void* LoadSystemLibrary(const char* fileName);
