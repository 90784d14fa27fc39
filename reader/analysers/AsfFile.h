// Reads Advanced Systems Format files (.wmv, .wma, .asf): walks the Header
// Object and the objects inside it, then the top-level objects after it
// (Data Object and index objects), reading every object it knows through the
// object readers and passing over the rest. It never reads media payload:
// the data packets are passed over, and key frames come from the Simple
// Index Object of the video stream.
#pragma once

#include <cstdint>

#include "reader/CheckedFile.h"
#include "reader/MediaFileInfo.h"
#include "reader/analysers/AsfObjectReader.h"

class AsfFile : public MediaFileInfo {
public:
    AsfFile();
    ~AsfFile() override;

    int Analyse(const wchar_t* path) override;

    // Texts of the Content Description Object for the report (null when
    // absent). The description is kept and not offered.
    const wchar_t* GetTitle() const { return Content(asf::kTitle); }
    const wchar_t* GetAuthor() const { return Content(asf::kAuthor); }
    const wchar_t* GetCopyright() const { return Content(asf::kCopyright); }
    const wchar_t* GetRating() const { return Content(asf::kRating); }

private:
    const wchar_t* Content(asf::ContentString which) const;
    int ReadHeader();
    int WalkTopLevel();
    void FillRecord(const wchar_t* path);
    void FillKeyFrames();
    uint32_t VideoBitRate(uint64_t duration) const;
    const asf::StreamPropertiesRecord* VideoStreamProperties() const;

    CheckedFile m_file;
    int m_status = 0;
    uint16_t m_videoStream = 0;  // stream number; 0 without a video stream
    asf::AsfRecords m_records;
};
