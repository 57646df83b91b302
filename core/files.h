// The names of every file the three programs keep in the game folder.  A
// path is always the folder as given (with its delimiter) and one of these.
#pragma once

inline constexpr const char* GameFileName = "THYRE.DAT";       // the whole game
inline constexpr const char* BackupPrefix = "THYRE.BK";        // + day % 7: the nightly backups
inline constexpr const char* SettingsFileName = "THYRE.CFG";   // settings for new games
inline constexpr const char* EventsFileName = "EVENTS.DAT";    // the nights' lines and the news
inline constexpr const char* MessagesFileName = "MSGS.DAT";    // letters, bulletins and notices
inline constexpr const char* FameFileName = "FAME.TXT";        // every finished game, for ever
inline constexpr const char* NewsFileName = "NEWS.TXT";        // the last night's news, for the BBS
inline constexpr const char* MaintLogName = "MAINT.LOG";       // one line per maintenance run
inline constexpr const char* MaintLogOldName = "MAINT.OLD";    // the log before its last rotation
inline constexpr const char* ErrorsLogName = "ERRORS.LOG";     // unexpected failures during visits
inline constexpr const char* ErrorsLogOldName = "ERRORS.OLD";  // the log before its last rotation
inline constexpr const char* DiagLogName = "DIAG.LOG";         // the door's start-up as -diag tells it
inline constexpr const char* DiagLogOldName = "DIAG.OLD";      // the log before its last rotation
inline constexpr const char* LockFolderName = "THYRE.LCK";     // the folder lock
inline constexpr const char* LockOwnerName = "OWNER";          // its stamp, inside it
inline constexpr const char* RunMarkerName = "MAINT.RUN";      // the maintenance marker
inline constexpr const char* UndoGameName = "THYRE.UND";       // the game as it was before the last restore
inline constexpr const char* OldGameName = "OLDGAME.DAT";      // the archive of the previous game
inline constexpr const char* OldEventsName = "OLDEVENT.DAT";
inline constexpr const char* OldMessagesName = "OLDMSGS.DAT";
