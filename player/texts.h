// The longer texts of the player's program, as tables of lines.
#pragma once

extern const char* const JoinStory[4];      // the join screen's story
extern const char* const FoundedLines[7];   // after a house is founded
extern const char* const HelpLines[19];     // "How to play" ("" is an empty line)
