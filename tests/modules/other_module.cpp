// A module as another Trackpace leaves one: of the version it is built with (none: an older one), with an entry to call.
#include <QtGlobal>

#ifdef OTHER_VERSION
extern "C" Q_DECL_EXPORT const char* TrackpaceModuleVersion()
{
    return OTHER_VERSION;
}
#endif

extern "C" Q_DECL_EXPORT int TrackpaceOtherEntry()
{
    return 42;
}
