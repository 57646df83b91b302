// THYRE.DAT: the whole game as one file, the memory images of the header and
// the tables one after another.  A save never writes over the game file; it
// writes THYRE.NEW, keeps the last game as THYRE.OLD and swaps the new one in
// with a rename, and every load first puts a half-finished save back in place.
#pragma once
#include <cstdint>
#include <string>

enum { HeaderSize = 165, FixedFileBytes = 30465 };

// THYRE.NEW and THYRE.OLD beside the game file: the extension of the file
// name (never of a folder) replaced, or appended when there is none.
std::string NewFileName(const std::string& path);
std::string OldFileName(const std::string& path);

// The size in bytes of the game file of the current state.
int64_t GameFileSize();

bool LoadGame(const std::string& path);
// The game from a game file's bytes (a league's packet), with the same checks.
bool LoadGameBytes(const std::string& data);
// False when THYRE.NEW cannot be created or swapped in; an input/output error
// while writing it also gives false and sets *ioError (the game file and
// THYRE.OLD are then untouched).
bool SaveGame(const std::string& path, bool* ioError = nullptr);
bool GameFileExists(const std::string& path);
void RecoverGameFile(const std::string& path);

// Checks that no record of the loaded state can send a program outside a
// table: the cross-references between the tables.  Everything else stands as
// stored.
bool GameReferencesValid();
