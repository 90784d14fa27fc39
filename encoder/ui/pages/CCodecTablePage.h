// The codec pages of the AVI, MP4 and OGM formats: one design over three
// fixed tables. The video codec list shows the table's codecs (the H.264
// row, always the last, only while the H.264 module loads, so that list
// indexes stay table indexes); the encoding-mode list chooses constant bit
// rate, constant quality or two passes, and with it which rate controls are
// in use; the audio codec list has one item and the audio format list one
// row of the format's audio table, each row three values.
#pragma once

#include <vector>

#include "encoder/ui/pages/COutputCodecPage.h"
#include "platform/win32/CString.h"

class CEncSettings;

class CCodecTablePage : public COutputCodecPage {
public:
    struct VideoCodecRow {
        const wchar_t* name;
        const wchar_t* fourcc;
    };
    struct AudioFormatRow {
        CString text;
        int values[3];
    };
    // The page's settings in the settings record: the video block's values
    // and the three audio values its rows give.
    struct CodecFields {
        DWORD* fourcc;
        int* mode;
        int* bitrate;
        int* keyInterval;
        int* quality;
        int* audio[3];
    };
    struct Table {
        const VideoCodecRow* video;
        int videoCount;
        const wchar_t* audioCodec;
        const std::vector<AudioFormatRow>* audioFormats;
        // Whether a stored audio setting must match a row's first value too
        // (the audio mode); the MP4 rows' first value, the codec, does not
        // count.
        bool matchFirstAudioValue;
    };

    void ExchangeSettings(BOOL store) override;

    // The texts of the format's table.
    const Table& GetTable() const { return m_table; }

protected:
    CCodecTablePage(UINT templateId, const Table& table);

    virtual CodecFields Fields(CEncSettings& settings) const = 0;
    // The bit-rate controls are in use except at constant quality (mode 1),
    // the quality controls only then; the key-frame controls always.
    virtual void UpdateEnabling();
    // The FourCC text of the selected codec; empty with no selection.
    CString SelectedFourcc() const;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnModeChange();
    DECLARE_MESSAGE_MAP()

    CComboBox m_modes;

private:
    Table m_table;
};
