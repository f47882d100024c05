#pragma once
// Where the program's files are: the per-user data folder (everything the
// program writes at run time lives there), the program folder and the skin
// folder beside it, and a few functions that take paths apart.
//
// Paths are UTF-8 with '/' as the only separator. Folder texts end with '/'.

#include <string>

// Size of the fixed path buffers the callers pass (including the zero).
inline constexpr int MAX_PATH = 260;

// Fills out (MAX_PATH bytes) with the per-user data folder and creates it,
// with any missing parents. The folder is $KVO_DATA_DIR when that is set,
// else $XDG_DATA_HOME/kvoStudio/, else $HOME/.local/share/kvoStudio/.
// Returns false, and leaves out empty, when no folder can be determined or
// its path does not fit; a folder that cannot be created still answers true
// (opening files in it fails later).
bool GetUserDataFolder(char* out);

// The data folder followed by the file name; empty when there is no data
// folder, so a caller never writes into the current directory by accident.
std::string GetUserDataFilePath(const char* fileName);

// Folder of the running program file, e.g. "/opt/kvostudio/bin/"; empty
// when it cannot be found.
std::string GetProgramFolder();

// $KVO_SKIN_DIR when set, else the program folder followed by "skin/";
// empty when neither is known.
std::string GetSkinFolder();

// Creates the folder and any missing parents. Returns 0 when the folder
// exists afterwards (also when it already did), 2 when a folder is missing
// and the path has no parent separator to climb to, else the system error
// code (errno) of the creation that failed.
int CreateDirectoryPath(const char* path);

// Position of the final c in text. Callers cannot tell "not found" from
// "found only at the start": both give 0.
int FindLastChar(const char* text, char c);

// Pointer into the path just behind its last '/'; the path itself when it
// has none.
const char* FindFileNamePart(const char* path);

// Cuts the file name off the path in place, leaving the folder with its
// trailing '/'. A path without a separator is left unchanged. Returns the
// cut point (where the name began).
char* CutFileNamePart(char* path);

// The name and extension of the path once it is made absolute and "." and
// ".." are resolved; empty for a path that ends with '/'.
std::string GetFullPathFileName(const char* path);

// Name and extension of the path (the text behind its last '/').
std::string GetFileNamePart(const char* path);
