#include "midi/backends/winmm/WinmmDevices.h"

#include <cwchar>
#include <string_view>

#include "encoding/Utf16.h"

namespace moxel::midi {

namespace {

// The name field holds at most MAXPNAMELEN characters, NUL-terminated when
// shorter; a driver may fill it completely.
template <typename Caps> DeviceCaps capsOf(MMRESULT result, const Caps& caps) {
    DeviceCaps out;
    if (result == MMSYSERR_NOERROR) {
        out.result = CapsResult::Ok;
        out.name = utf8FromWide(
            std::wstring_view(caps.szPname, wcsnlen(caps.szPname, std::size(caps.szPname))));
    } else if (result == MMSYSERR_ALLOCATED) {
        out.result = CapsResult::Allocated;
    }
    return out;
}

} // namespace

DeviceCaps winmmInputCaps(const WinmmApi& api, int id) {
    MIDIINCAPSW caps{};
    if (id < 0) {
        return {};
    }
    return capsOf(api.midiInGetDevCapsW(static_cast<UINT_PTR>(id), &caps, sizeof caps), caps);
}

DeviceCaps winmmOutputCaps(const WinmmApi& api, int id) {
    MIDIOUTCAPSW caps{};
    if (id < 0) {
        return {};
    }
    return capsOf(api.midiOutGetDevCapsW(static_cast<UINT_PTR>(id), &caps, sizeof caps), caps);
}

OpenResult winmmOpenResult(MMRESULT result) {
    switch (result) {
    case MMSYSERR_NOERROR:
        return OpenResult::Ok;
    case MMSYSERR_ALLOCATED:
        return OpenResult::InUse;
    default:
        return OpenResult::Failed;
    }
}

} // namespace moxel::midi
