// Keeps the Stub from loading libraries out of its own, the current or the temporary
// folder, where a downloaded setup may have company it did not bring.
#pragma once

// Restricts the library search to the system folder. Called first thing at start-up.
void RestrictLibrarySearch();

// Loads comctl32 as LoadSystemLibrary does and initialises common controls.
void InitCommonControlsFromSystem();

// Loads a library of the system: the side-by-side assembly of that name that the program's
// manifest asks for, or else the one in the system folder; never one from the program's own,
// the current or the temporary folder. Null when there is none.
void* LoadSystemLibrary(const char* fileName);
