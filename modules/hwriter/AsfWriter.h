// CAsfWriter: the ASF writer of the writer module. Its codecs come from the
// Windows Media profile the graph gives it after the source is rendered:
// for each stream of the profile its media type (the codec as the subtype,
// the sound's rate and channels in the wave format), its bit rate, the
// video's key-frame spacing, and the stream's language, which the file
// keeps. Video is written at constant bit rate.
#pragma once

#include <string>

#include "modules/hwriter/WriterFilter.h"
#include "platform/com/ComPtr.h"
#include "platform/wmf/WmInterfaces.h"

class CAsfWriter : public CWriterFilter, public UncalledPlaces<IAsfWriterProfile> {
public:
    explicit CAsfWriter(IUnknown* outer);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // IAsfWriterProfile: the writer keeps its own reference.
    HRESULT SetProfile(IWMProfile* profile) override;

protected:
    bool CodecRequestOfRun(EncoderRequest* request) override;
    const char* ContainerName() const override { return "asf"; }
    void AdjustAudio(AudioEncoderSetup* audio) override;
    std::string StreamLanguage(CWriterInputPin::Kind kind) override;

private:
    ComPtr<IWMProfile> m_pProfile;
    // What the profile says, read at the start of a run.
    int m_nAudioRate = 0;
    int m_nAudioChannels = 0;
    std::string m_strVideoLanguage;
    std::string m_strAudioLanguage;
};
