// What every loadable module of the program answers first: the version it was built for.
#pragma once

// The function each module exports under this name returns TrackpaceVersion as it
// was when the module was built; a module of another version is not called.
inline constexpr char ModuleVersionSymbol[] = "TrackpaceModuleVersion";
using ModuleVersionFunction = const char* (*)();
