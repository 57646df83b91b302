#include "core/history.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "core/model.h"
#include "core/routes.h"
#include "core/osfs.h"
#include "core/replace.h"

bool ReadScoreHistory(const std::string& folder, std::vector<TScoreRec>& out)
{
    out.clear();
    std::string data;
    if (!PathExists(folder + ScoresFileName)) return true;
    if (!ReadWholeFile(folder + ScoresFileName, data)) return false;
    bool marked = data.size() >= 4 && data[2] == ScoreRecMark[0] && data[3] == ScoreRecMark[1];
    size_t size = marked ? sizeof(TScoreRec) : (size_t)ScoreRecOldSize;
    for (size_t at = 0; at + size <= data.size(); at += size) {
        TScoreRec r;
        std::memset(&r, 0, sizeof r);
        std::memcpy(&r, data.data() + at, size);
        if (!marked) std::fill(std::begin(r.Worlds), std::end(r.Worlds), (int16_t)WorldsUnknown);
        std::memcpy(r.Mark, ScoreRecMark, sizeof r.Mark);
        bool good = r.Day >= 1 && (out.empty() || r.Day > out.back().Day);
        for (int h = 0; h < MaxHouseSlots && good; h++)
            good = r.Status[h] <= StatusOut && r.Worlds[h] >= WorldsUnknown && r.Worlds[h] <= MaxWorlds;
        if (good) out.push_back(r);
    }
    return true;
}

bool RecordScores(const std::string& folder)
{
    int day = Game.Header.Day - 1;
    if (day < 1) return true;
    std::vector<TScoreRec> all;
    ReadScoreHistory(folder, all);
    while (!all.empty() && all.back().Day >= day) all.pop_back();
    TScoreRec r;
    std::memset(&r, 0, sizeof r);
    r.Day = (uint16_t)day;
    std::memcpy(r.Mark, ScoreRecMark, sizeof r.Mark);
    for (int h = 1; h <= MaxHouseSlots; h++) {
        r.Score[h - 1] = HouseRec(h).Score;
        r.Status[h - 1] = HouseRec(h).Status <= StatusOut ? HouseRec(h).Status : (uint8_t)StatusFree;
        r.Worlds[h - 1] = (int16_t)HouseWorldCount(h);
    }
    all.push_back(r);
    std::string data((const char*)all.data(), all.size() * sizeof(TScoreRec));
    return ReplaceFileSafely(folder + ScoresFileName, data);
}

bool TrimScoreHistory(const std::string& folder, int fromDay)
{
    std::vector<TScoreRec> all;
    if (!ReadScoreHistory(folder, all)) return false;
    size_t before = all.size();
    while (!all.empty() && all.back().Day >= fromDay) all.pop_back();
    if (all.size() == before) return true;
    std::string data((const char*)all.data(), all.size() * sizeof(TScoreRec));
    return ReplaceFileSafely(folder + ScoresFileName, data);
}
