#include "registry/RegistryViews.h"

#include "registry/RegistryRefusals.h"

namespace qm {

bool MachineHasTwoViews() {
#if defined(_WIN64)
    return true; // a 64-bit program runs on 64-bit Windows only
#else
    // A 32-bit program asks which processor Windows itself runs on.
    using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    auto isWow64Process2 = reinterpret_cast<IsWow64Process2Function>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process2")));
    USHORT process = 0, native = 0;
    if (isWow64Process2 && isWow64Process2(GetCurrentProcess(), &process, &native))
        return native == IMAGE_FILE_MACHINE_AMD64 || native == IMAGE_FILE_MACHINE_ARM64 ||
               native == IMAGE_FILE_MACHINE_IA64;
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    return system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64 ||
           system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
#endif
}

bool MachineViewsApart() {
    static const bool twoViews = MachineHasTwoViews();
    return twoViews && !testing::OneMachineViewChosen();
}

std::vector<REGSAM> ViewsOf(HKEY root) {
    if (root != HKEY_LOCAL_MACHINE || !MachineViewsApart()) return {0};
    return {kMachineRegistryView, kMachineOtherView};
}

} // namespace qm
