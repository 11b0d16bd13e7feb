// Built by the cross-compile check so that a Windows build break fails CI; on Windows it
// prints what each camera's driver reports.
#include "camera/dshow_devices.h"

#include <cstdio>

int main()
{
    for (const DshowVideoInput &input : listDshowVideoInputs()) {
        const std::wstring name = input.friendlyName.value_or(L"(no name)");
        const std::optional<DshowRanges> ranges = queryDshowRanges(input.position, name);
        std::printf("%d %ls: %s", input.position, name.c_str(), ranges ? "bound" : "not bound");
        if (ranges && ranges->focus)
            std::printf(", focus %d..%d", int(ranges->focus->minimum), int(ranges->focus->maximum));
        std::printf("\n");
    }
    return 0;
}
