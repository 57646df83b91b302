// Any bytes as THYRE.CFG: every value read lies in its range, and what is
// written back reads the same.
#include <cstdint>
#include <cstdlib>

#include "core/settings.h"
#include "tests/fuzz/fuzz_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile(SettingsFileName, data, size);
    TSettings s = ReadSettings(FuzzFolder());
    for (const TSettingField& f : SettingFields)
        if (f.Kind == SettingNumber && (s.*f.Number < f.Low || s.*f.Number > f.High)) std::abort();
    if (s.Difficulty < 1 || s.Difficulty > 3 || s.DissolveAfter < s.AutopilotAfter) std::abort();
    if (!WriteSettings(FuzzFolder(), s)) std::abort();
    TSettings again = ReadSettings(FuzzFolder());
    if (SettingsText(again) != SettingsText(s) && s.GameName.find_first_of("\r\n") == std::string::npos &&
        s.ComputerHouses.find_first_of("\r\n") == std::string::npos)
        std::abort();
    return 0;
}
