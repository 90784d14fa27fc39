// Scalar types, result codes, event codes and small records of the media
// runtime, with the published values.
#pragma once

#include "platform/com/OleAuto.h"
#include "platform/com/Unknown.h"
#include "platform/win32/MediaFormats.h"
#include "platform/win32/WinTypes.h"

using REFTIME = double;
using OAFilterState = LONG;
using OAHWND = LONG_PTR;
using OAEVENT = LONG_PTR;
using HEVENT = DWORD_PTR;
using HSEMAPHORE = DWORD_PTR;

constexpr REFERENCE_TIME UNITS = 10000000;  // one second
constexpr REFERENCE_TIME MILLISECONDS = 10000;
constexpr REFERENCE_TIME MAX_TIME = 0x7FFFFFFFFFFFFFFFLL;

enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

constexpr int MAX_PIN_NAME = 128;
constexpr int MAX_FILTER_NAME = 128;

// ---- Result codes -------------------------------------------------------------------
constexpr HRESULT VFW_S_NO_MORE_ITEMS = MakeHResult(0x00040103u);
constexpr HRESULT VFW_E_INVALIDMEDIATYPE = MakeHResult(0x80040200u);
constexpr HRESULT VFW_E_INVALIDSUBTYPE = MakeHResult(0x80040201u);
constexpr HRESULT VFW_E_NEED_OWNER = MakeHResult(0x80040202u);
constexpr HRESULT VFW_E_ENUM_OUT_OF_SYNC = MakeHResult(0x80040203u);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = MakeHResult(0x80040204u);
constexpr HRESULT VFW_E_FILTER_ACTIVE = MakeHResult(0x80040205u);
constexpr HRESULT VFW_E_NO_TYPES = MakeHResult(0x80040206u);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = MakeHResult(0x80040207u);
constexpr HRESULT VFW_E_INVALID_DIRECTION = MakeHResult(0x80040208u);
constexpr HRESULT VFW_E_NOT_CONNECTED = MakeHResult(0x80040209u);
constexpr HRESULT VFW_E_NO_ALLOCATOR = MakeHResult(0x8004020Au);
constexpr HRESULT VFW_E_RUNTIME_ERROR = MakeHResult(0x8004020Bu);
constexpr HRESULT VFW_E_BUFFER_NOTSET = MakeHResult(0x8004020Cu);
constexpr HRESULT VFW_E_BUFFER_OVERFLOW = MakeHResult(0x8004020Du);
constexpr HRESULT VFW_E_BADALIGN = MakeHResult(0x8004020Eu);
constexpr HRESULT VFW_E_ALREADY_COMMITTED = MakeHResult(0x8004020Fu);
constexpr HRESULT VFW_E_BUFFERS_OUTSTANDING = MakeHResult(0x80040210u);
constexpr HRESULT VFW_E_NOT_COMMITTED = MakeHResult(0x80040211u);
constexpr HRESULT VFW_E_SIZENOTSET = MakeHResult(0x80040212u);
constexpr HRESULT VFW_E_NO_CLOCK = MakeHResult(0x80040213u);
constexpr HRESULT VFW_E_NO_SINK = MakeHResult(0x80040214u);
constexpr HRESULT VFW_E_NO_INTERFACE = MakeHResult(0x80040215u);
constexpr HRESULT VFW_E_NOT_FOUND = MakeHResult(0x80040216u);
constexpr HRESULT VFW_E_CANNOT_CONNECT = MakeHResult(0x80040217u);
constexpr HRESULT VFW_E_CANNOT_RENDER = MakeHResult(0x80040218u);
constexpr HRESULT VFW_E_CHANGING_FORMAT = MakeHResult(0x80040219u);
constexpr HRESULT VFW_E_STATE_CHANGED = MakeHResult(0x80040223u);
constexpr HRESULT VFW_E_NOT_STOPPED = MakeHResult(0x80040224u);
constexpr HRESULT VFW_E_NOT_PAUSED = MakeHResult(0x80040225u);
constexpr HRESULT VFW_E_NOT_RUNNING = MakeHResult(0x80040226u);
constexpr HRESULT VFW_E_WRONG_STATE = MakeHResult(0x80040227u);
constexpr HRESULT VFW_E_START_TIME_AFTER_END = MakeHResult(0x80040228u);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = MakeHResult(0x8004022Au);
constexpr HRESULT VFW_E_SAMPLE_REJECTED = MakeHResult(0x8004022Bu);
constexpr HRESULT VFW_E_SAMPLE_REJECTED_EOS = MakeHResult(0x8004022Cu);
constexpr HRESULT VFW_E_DUPLICATE_NAME = MakeHResult(0x8004022Du);
constexpr HRESULT VFW_S_DUPLICATE_NAME = MakeHResult(0x0004022Du);
constexpr HRESULT VFW_E_TIMEOUT = MakeHResult(0x8004022Eu);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = MakeHResult(0x8004022Fu);
constexpr HRESULT VFW_E_ENUM_OUT_OF_RANGE = MakeHResult(0x80040230u);
constexpr HRESULT VFW_E_CIRCULAR_GRAPH = MakeHResult(0x80040231u);
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = MakeHResult(0x00040237u);
constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = MakeHResult(0x80040240u);
constexpr HRESULT VFW_E_CANNOT_LOAD_SOURCE_FILTER = MakeHResult(0x80040241u);
constexpr HRESULT VFW_S_PARTIAL_RENDER = MakeHResult(0x00040242u);
constexpr HRESULT VFW_E_FILE_TOO_SHORT = MakeHResult(0x80040243u);
constexpr HRESULT VFW_E_INVALID_CLSID = MakeHResult(0x80040247u);
constexpr HRESULT VFW_E_INVALID_MEDIA_TYPE = MakeHResult(0x80040248u);
constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = MakeHResult(0x80040249u);
constexpr HRESULT VFW_E_MEDIA_TIME_NOT_SET = MakeHResult(0x80040251u);
constexpr HRESULT VFW_E_NO_TIME_FORMAT_SET = MakeHResult(0x80040252u);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = MakeHResult(0x8004025Fu);
constexpr HRESULT VFW_E_NO_TIME_FORMAT = MakeHResult(0x80040261u);
constexpr HRESULT VFW_E_NO_TRANSPORT = MakeHResult(0x80040266u);
constexpr HRESULT VFW_S_NO_STOP_TIME = MakeHResult(0x00040270u);

// ---- Event codes ----------------------------------------------------------------------
constexpr LONG EC_COMPLETE = 0x01;
constexpr LONG EC_USERABORT = 0x02;
constexpr LONG EC_ERRORABORT = 0x03;
constexpr LONG EC_TIME = 0x04;
constexpr LONG EC_REPAINT = 0x05;
constexpr LONG EC_STREAM_ERROR_STOPPED = 0x06;
constexpr LONG EC_STREAM_ERROR_STILLPLAYING = 0x07;
constexpr LONG EC_ERROR_STILLPLAYING = 0x08;
constexpr LONG EC_VIDEO_SIZE_CHANGED = 0x0A;
constexpr LONG EC_SHUTTING_DOWN = 0x0C;
constexpr LONG EC_CLOCK_CHANGED = 0x0D;
constexpr LONG EC_PAUSED = 0x0E;
constexpr LONG EC_OPENING_FILE = 0x10;
constexpr LONG EC_BUFFERING_DATA = 0x11;
constexpr LONG EC_NEED_RESTART = 0x14;
constexpr LONG EC_STARVATION = 0x17;
constexpr LONG EC_END_OF_SEGMENT = 0x1C;
constexpr LONG EC_SEGMENT_STARTED = 0x1D;
constexpr LONG EC_LENGTH_CHANGED = 0x1E;
// Codes from here on belong to the filters that raise them.
constexpr LONG EC_USER = 0x8000;

// IMediaEventEx::SetNotifyFlags.
constexpr LONG AM_MEDIAEVENT_NONOTIFY = 0x01;

// ---- Merits ---------------------------------------------------------------------------
constexpr DWORD MERIT_PREFERRED = 0x800000;
constexpr DWORD MERIT_NORMAL = 0x600000;
constexpr DWORD MERIT_UNLIKELY = 0x400000;
constexpr DWORD MERIT_DO_NOT_USE = 0x200000;
constexpr DWORD MERIT_SW_COMPRESSOR = 0x100000;
constexpr DWORD MERIT_HW_COMPRESSOR = 0x100050;

// ---- IMediaSeeking flags ------------------------------------------------------------------
enum AM_SEEKING_SEEKING_FLAGS : DWORD {
    AM_SEEKING_NoPositioning = 0x00,
    AM_SEEKING_AbsolutePositioning = 0x01,
    AM_SEEKING_RelativePositioning = 0x02,
    AM_SEEKING_IncrementalPositioning = 0x03,
    AM_SEEKING_PositioningBitsMask = 0x03,
    AM_SEEKING_SeekToKeyFrame = 0x04,
    AM_SEEKING_ReturnTime = 0x08,
    AM_SEEKING_Segment = 0x10,
    AM_SEEKING_NoFlush = 0x20,
};

enum AM_SEEKING_SEEKING_CAPABILITIES : DWORD {
    AM_SEEKING_CanSeekAbsolute = 0x001,
    AM_SEEKING_CanSeekForwards = 0x002,
    AM_SEEKING_CanSeekBackwards = 0x004,
    AM_SEEKING_CanGetCurrentPos = 0x008,
    AM_SEEKING_CanGetStopPos = 0x010,
    AM_SEEKING_CanGetDuration = 0x020,
    AM_SEEKING_CanPlayBackwards = 0x040,
    AM_SEEKING_CanDoSegments = 0x080,
    AM_SEEKING_Source = 0x100,
};

// ---- Small records ------------------------------------------------------------------------
struct IBaseFilter;
struct IFilterGraph;

struct PIN_INFO {
    IBaseFilter* pFilter;  // a reference the caller releases
    PIN_DIRECTION dir;
    WCHAR achName[MAX_PIN_NAME];
};

struct FILTER_INFO {
    WCHAR achName[MAX_FILTER_NAME];
    IFilterGraph* pGraph;  // a reference the caller releases, or null
};

struct ALLOCATOR_PROPERTIES {
    LONG cBuffers;
    LONG cbBuffer;
    LONG cbAlign;
    LONG cbPrefix;
};

// IMemAllocator::GetBuffer flags.
constexpr DWORD AM_GBF_PREVFRAMESKIPPED = 1;
constexpr DWORD AM_GBF_NOTASYNCPOINT = 2;
constexpr DWORD AM_GBF_NOWAIT = 4;

// IAMFilterMiscFlags.
constexpr ULONG AM_FILTER_MISC_FLAGS_IS_RENDERER = 0x1;
constexpr ULONG AM_FILTER_MISC_FLAGS_IS_SOURCE = 0x2;
