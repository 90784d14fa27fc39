#include "tests/encoder/pipeline/SubtitleFileKinds.h"

#include "tests/encoder/subtitles/VobSubTestUtil.h"

namespace {

std::string WriteText(const TempDir& dir, const std::string& file, const std::string& text)
{
    WriteBytes(dir.File(file), text);
    return dir.File(file);
}

}  // namespace

const SubtitleCase kSubtitleCases[4] = {
    {"SubRip", "line.srt",
     [](const TempDir& d, const std::string& f) {
         return WriteText(d, f, "1\n00:00:00,000 --> 00:00:03,000\nSubtitle line\n\n");
     }},
    {"SAMI", "line.smi",
     [](const TempDir& d, const std::string& f) {
         return WriteText(d, f,
                          "<SAMI><HEAD><STYLE TYPE=\"text/css\"><!--\n.KRCC { Name: Korean; lang: ko-KR; }\n--></STYLE>"
                          "</HEAD><BODY>\n<SYNC Start=0><P Class=KRCC>Subtitle line\n"
                          "<SYNC Start=3000><P Class=KRCC>&nbsp;\n</BODY></SAMI>\n");
     }},
    {"ASS", "line.ass",
     [](const TempDir& d, const std::string& f) {
         return WriteText(
             d, f,
             "[Script Info]\nScriptType: v4.00+\nPlayResX: 320\nPlayResY: 240\n\n[V4+ Styles]\n"
             "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
             "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, "
             "Alignment, MarginL, MarginR, MarginV, Encoding\n"
             "Style: Default,Arial,20,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,1,0,2,"
             "10,10,10,1\n\n[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, "
             "Text\nDialogue: 0,0:00:00.00,0:00:03.00,Default,,0,0,0,,Subtitle line\n");
     }},
    {"VobSub", "line.idx",
     [](const TempDir& d, const std::string& f) {
         TestSet set;
         set.Add(0, "en", 0, PlainUnit(360, 60, 180, 380, 1));
         WriteBytes(d.File("line.sub"), set.stream.Data());
         return WriteText(d, f, set.Index());
     }},
};
