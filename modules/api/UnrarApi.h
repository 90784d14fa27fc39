// The interface of the RAR archive module "unrar.dll": the functions callers
// load from it by name, their records and their result codes. Strings are
// the platform's wide characters; callbacks use the C calling convention.
#pragma once

#include "platform/win32/WinTypes.h"

// Results.
constexpr int ERAR_SUCCESS = 0;
constexpr int ERAR_END_ARCHIVE = 10;
constexpr int ERAR_NO_MEMORY = 11;
constexpr int ERAR_BAD_DATA = 12;
constexpr int ERAR_BAD_ARCHIVE = 13;
constexpr int ERAR_UNKNOWN_FORMAT = 14;
constexpr int ERAR_EOPEN = 15;
constexpr int ERAR_ECREATE = 16;
constexpr int ERAR_ECLOSE = 17;
constexpr int ERAR_EREAD = 18;
constexpr int ERAR_EWRITE = 19;
constexpr int ERAR_SMALL_BUF = 20;
constexpr int ERAR_UNKNOWN = 21;

// Open modes.
constexpr unsigned RAR_OM_LIST = 0;
constexpr unsigned RAR_OM_EXTRACT = 1;

// RARProcessFile operations.
constexpr int RAR_SKIP = 0;
constexpr int RAR_TEST = 1;
constexpr int RAR_EXTRACT = 2;

// Entry flags.
constexpr unsigned RHDF_ENCRYPTED = 0x04;
constexpr unsigned RHDF_DIRECTORY = 0x20;

// Asked when the next volume of a multi-volume archive is needed.
using CHANGEVOLPROC = int (*)(char* archiveName, int mode);
// Receives the data of the entry being tested, block by block; an answer of
// 0 or less stops the entry.
using PROCESSDATAPROC = int (*)(unsigned char* block, int size);

struct RAROpenArchiveDataEx {
    char* ArcName;      // narrow path; used when ArcNameW is null or empty
    wchar_t* ArcNameW;  // wide path, '/' or '\' between folders
    unsigned OpenMode;
    unsigned OpenResult;  // out: an ERAR_ code
    char* CmtBuf;
    unsigned CmtBufSize;
    unsigned CmtSize;
    unsigned CmtState;
    unsigned Flags;
    void* Callback;
    LPARAM UserData;
    unsigned Reserved[28];
};

struct RARHeaderDataEx {
    char ArcName[1024];
    wchar_t ArcNameW[1024];
    char FileName[1024];  // UTF-8
    wchar_t FileNameW[1024];
    unsigned Flags;  // RHDF_ bits
    unsigned PackSize;
    unsigned PackSizeHigh;
    unsigned UnpSize;  // the entry's size as the archive states it
    unsigned UnpSizeHigh;
    unsigned HostOS;
    unsigned FileCRC;
    unsigned FileTime;
    unsigned UnpVer;
    unsigned Method;
    unsigned FileAttr;
    char* CmtBuf;
    unsigned CmtBufSize;
    unsigned CmtSize;
    unsigned CmtState;
    unsigned Reserved[1024];
};

// An open archive, or null with OpenResult set.
using RAROpenArchiveExProc = HANDLE (*)(RAROpenArchiveDataEx* data);
using RARCloseArchiveProc = int (*)(HANDLE archive);
// The next entry's header: ERAR_SUCCESS, ERAR_END_ARCHIVE after the last,
// or an error.
using RARReadHeaderExProc = int (*)(HANDLE archive, RARHeaderDataEx* header);
// RAR_SKIP passes over the entry whose header was read last; RAR_TEST reads
// its data through the data callback. Writing entries to files is not
// offered: RAR_EXTRACT answers ERAR_ECREATE.
using RARProcessFileProc = int (*)(HANDLE archive, int operation, char* destPath, char* destName);
using RARSetChangeVolProcProc = void (*)(HANDLE archive, CHANGEVOLPROC proc);
using RARSetProcessDataProcProc = void (*)(HANDLE archive, PROCESSDATAPROC proc);
using RARSetPasswordProc = void (*)(HANDLE archive, char* password);
