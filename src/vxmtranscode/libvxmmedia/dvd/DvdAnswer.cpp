#include "DvdAnswer.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <vector>

namespace {

constexpr std::string_view kHeader = "VXMDVD 1";
constexpr float kMaxSeconds = 2.0e6f;

// ---- writing ----

class CLine {
public:
    CLine(std::string& out, const char* kind) : m_out(out) { m_out += kind; }
    ~CLine() { m_out += '\n'; }
    CLine& Int(long long value)
    {
        m_out += ' ';
        m_out += std::to_string(value);
        return *this;
    }
    CLine& Float(float value)
    {
        char text[32];
        const auto r = std::to_chars(text, text + sizeof(text), value);
        m_out += ' ';
        m_out.append(text, r.ptr);
        return *this;
    }
    CLine& Text(const std::string& value)
    {
        static const char kHex[] = "0123456789ABCDEF";
        m_out += ' ';
        if (value.empty())
            m_out += '%';
        for (unsigned char c : value) {
            if (c > ' ' && c <= '~' && c != '%') {
                m_out += static_cast<char>(c);
                continue;
            }
            m_out += '%';
            m_out += kHex[c >> 4];
            m_out += kHex[c & 15];
        }
        return *this;
    }

private:
    std::string& m_out;
};

void WriteTitle(std::string& out, const dvd_title_record& r)
{
    CLine(out, "title")
        .Int(r.title_number).Int(r.second_value).Int(r.angle_count)
        .Int(r.hours).Int(r.minutes).Int(r.seconds).Int(r.milliseconds).Int(r.chain_length_ms)
        .Float(r.frame_rate).Text(r.video_standard).Text(r.width).Text(r.height).Text(r.display_format);
    for (const dvd_audio_entry& a : r.audio)
        CLine(out, "audio").Int(a.id).Int(a.channels).Int(a.info_value)
            .Text(a.description).Text(a.language).Text(a.codec).Text(a.bitrate).Text(a.info).Text(a.info2);
    for (const dvd_subtitle_entry& s : r.subtitles)
        CLine(out, "subtitle").Int(s.id).Text(s.description).Text(s.language).Text(s.info);
    for (const dvd_chapter_entry& c : r.chapters)
        CLine(out, "chapter").Float(c.start_time).Int(c.pgc).Int(c.program)
            .Int(c.first_cell).Int(c.last_cell).Int(c.cell_index).Int(c.pgc_cells);
    for (const dvd_cell_entry& c : r.cells)
        CLine(out, "cell").Float(c.time).Int(c.first_sector).Int(c.last_sector).Int(c.last_vobu_sector)
            .Int(c.block_type).Int(c.block_mode);
}

// ---- reading ----

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The fields of one line after its kind; each getter fails once a field is
// missing or out of range, and Done fails on fields left over.
class CFields {
public:
    explicit CFields(std::string_view rest) : m_rest(rest) {}

    bool Int(int& out, long long low, long long high)
    {
        std::string_view field;
        long long value = 0;
        if (!Next(field))
            return false;
        const auto r = std::from_chars(field.data(), field.data() + field.size(), value);
        if (r.ec != std::errc() || r.ptr != field.data() + field.size() || value < low || value > high)
            return false;
        out = static_cast<int>(value);
        return true;
    }
    bool Float(float& out, float high)
    {
        std::string_view field;
        float value = 0;
        if (!Next(field))
            return false;
        const auto r = std::from_chars(field.data(), field.data() + field.size(), value);
        if (r.ec != std::errc() || r.ptr != field.data() + field.size() || !std::isfinite(value) || value < 0 ||
            value > high)
            return false;
        out = value;
        return true;
    }
    bool Text(std::string& out)
    {
        std::string_view field;
        if (!Next(field))
            return false;
        std::string text;
        if (field != "%") {
            for (size_t i = 0; i < field.size(); ++i) {
                if (field[i] != '%') {
                    if (field[i] <= ' ' || field[i] > '~')
                        return false;
                    text += field[i];
                    continue;
                }
                if (i + 2 >= field.size())
                    return false;
                const int high = HexDigit(field[i + 1]), low = HexDigit(field[i + 2]);
                if (high < 0 || low < 0)
                    return false;
                text += static_cast<char>(high * 16 + low);
                i += 2;
            }
        }
        if (text.size() > kDvdAnswerMaxText)
            return false;
        out = std::move(text);
        return true;
    }
    bool Done() const { return m_rest.empty(); }

private:
    bool Next(std::string_view& field)
    {
        if (m_rest.size() < 2 || m_rest[0] != ' ')
            return false;
        m_rest.remove_prefix(1);
        const size_t space = m_rest.find(' ');
        field = m_rest.substr(0, space);
        m_rest.remove_prefix(space == std::string_view::npos ? m_rest.size() : space);
        return !field.empty();
    }
    std::string_view m_rest;
};

bool ReadTitleLine(CFields& f, dvd_title_record& r)
{
    return f.Int(r.title_number, 1, 99) && f.Int(r.second_value, 1, 99) && f.Int(r.angle_count, 0, 9) &&
           f.Int(r.hours, 0, 500) && f.Int(r.minutes, 0, 59) && f.Int(r.seconds, 0, 59) &&
           f.Int(r.milliseconds, 0, 999) && f.Int(r.chain_length_ms, 0, INT_MAX) && f.Float(r.frame_rate, 1000) &&
           f.Text(r.video_standard) && f.Text(r.width) && f.Text(r.height) && f.Text(r.display_format);
}

bool ReadAudioLine(CFields& f, dvd_audio_entry& a)
{
    return f.Int(a.id, -1, 0x1ff) && f.Int(a.channels, 0, 8) && f.Int(a.info_value, 0, 192000) &&
           f.Text(a.description) && f.Text(a.language) && f.Text(a.codec) && f.Text(a.bitrate) && f.Text(a.info) &&
           f.Text(a.info2);
}

bool ReadSubtitleLine(CFields& f, dvd_subtitle_entry& s)
{
    return f.Int(s.id, -1, 0xff) && f.Text(s.description) && f.Text(s.language) && f.Text(s.info);
}

bool ReadChapterLine(CFields& f, dvd_chapter_entry& c)
{
    return f.Float(c.start_time, kMaxSeconds) && f.Int(c.pgc, 0, 65535) && f.Int(c.program, 0, 255) &&
           f.Int(c.first_cell, 0, 255) && f.Int(c.last_cell, -1, 255) &&
           f.Int(c.cell_index, -1, static_cast<long long>(kDvdAnswerMaxCells) + 255) && f.Int(c.pgc_cells, 0, 255);
}

bool ReadCellLine(CFields& f, dvd_cell_entry& c)
{
    return f.Float(c.time, kMaxSeconds) && f.Int(c.first_sector, 0, INT_MAX) && f.Int(c.last_sector, 0, INT_MAX) &&
           f.Int(c.last_vobu_sector, 0, INT_MAX) && f.Int(c.block_type, 0, 3) && f.Int(c.block_mode, 0, 3);
}

template <typename T>
bool ReadEntry(CFields& f, std::vector<T>& list, size_t limit, bool (*read)(CFields&, T&))
{
    if (list.size() >= limit)
        return false;
    T entry;
    if (!read(f, entry) || !f.Done())
        return false;
    list.push_back(std::move(entry));
    return true;
}

// One line of the answer after the header; `stage` tracks where it may stand.
enum class EStage { Label, Main, Body, End };

bool ReadLine(std::string_view line, EStage& stage, dvd_info& out)
{
    const size_t space = line.find(' ');
    const std::string_view kind = line.substr(0, space);
    CFields f(space == std::string_view::npos ? std::string_view() : line.substr(space));
    switch (stage) {
    case EStage::Label:
        stage = EStage::Main;
        return kind == "label" && f.Text(out.volume_label) && f.Done();
    case EStage::Main:
        stage = EStage::Body;
        return kind == "main" && f.Int(out.main_title, -1, static_cast<long long>(kDvdAnswerMaxTitles)) &&
               f.Done() && out.main_title != 0;
    case EStage::End:
        return false;
    case EStage::Body:
        break;
    }
    if (kind == "end") {
        stage = EStage::End;
        return f.Done();
    }
    if (kind == "title") {
        if (out.titles.size() >= kDvdAnswerMaxTitles)
            return false;
        dvd_title_record r;
        if (!ReadTitleLine(f, r) || !f.Done())
            return false;
        out.titles.push_back(std::move(r));
        return true;
    }
    if (out.titles.empty())
        return false;
    dvd_title_record& r = out.titles.back();
    if (kind == "audio")
        return ReadEntry(f, r.audio, kDvdAnswerMaxAudio, ReadAudioLine);
    if (kind == "subtitle")
        return ReadEntry(f, r.subtitles, kDvdAnswerMaxSubtitles, ReadSubtitleLine);
    if (kind == "chapter")
        return ReadEntry(f, r.chapters, kDvdAnswerMaxChapters, ReadChapterLine);
    if (kind == "cell")
        return ReadEntry(f, r.cells, kDvdAnswerMaxCells, ReadCellLine);
    return false;
}

}  // namespace

std::string WriteDvdAnswer(const dvd_info& info)
{
    std::string out(kHeader);
    out += '\n';
    CLine(out, "label").Text(info.volume_label);
    CLine(out, "main").Int(info.main_title);
    for (const dvd_title_record& r : info.titles)
        WriteTitle(out, r);
    out += "end\n";
    return out;
}

bool DvdTitleFitsAnswer(const dvd_title_record& title)
{
    dvd_info one;
    one.titles.push_back(title);
    dvd_info back;
    return ReadDvdAnswer(WriteDvdAnswer(one), back);
}

bool ReadDvdAnswer(std::string_view text, dvd_info& info, std::string* error)
{
    auto fail = [&](size_t line, const char* what) {
        if (error)
            *error = "line " + std::to_string(line) + ": " + what;
        return false;
    };
    if (text.size() > kDvdAnswerMaxBytes)
        return fail(0, "too long");
    if (text.empty() || text.back() != '\n')
        return fail(0, "cut short");
    dvd_info out;
    EStage stage = EStage::Label;
    size_t number = 0;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (++number == 1) {
            if (line != kHeader)
                return fail(number, "not an answer of the DVD reader");
            continue;
        }
        if (!ReadLine(line, stage, out))
            return fail(number, "malformed");
    }
    if (stage != EStage::End)
        return fail(number, "cut short");
    if (out.main_title > static_cast<int>(out.titles.size()))
        return fail(number, "main title out of range");
    info = std::move(out);
    return true;
}
