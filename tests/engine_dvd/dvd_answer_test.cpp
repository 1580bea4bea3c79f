// The reader tool's answer: what it writes reads back the same, and the
// reader refuses every answer that is cut short, out of bounds or not of
// its form.
#include <gtest/gtest.h>

#include <string>

#include "dvd/DvdAnswer.h"

namespace {

dvd_info Sample()
{
    dvd_info info;
    info.volume_label = "MY DISC 100% \xc3\xa9t\xc3\xa9";
    info.main_title = 1;
    dvd_title_record r;
    r.title_number = 7;
    r.second_value = 3;
    r.angle_count = 2;
    r.hours = 1;
    r.minutes = 2;
    r.seconds = 3;
    r.milliseconds = 40;
    r.chain_length_ms = 3723040;
    r.frame_rate = 29.97f;
    r.video_standard = "NTSC";
    r.width = "720";
    r.height = "480";
    r.display_format = "PanScan & LetterBox";
    dvd_audio_entry a;
    a.description = "Director's comments";
    a.language = "en";
    a.codec = "ac3";
    a.info = "48000 Hz";
    a.channels = 6;
    a.info_value = 48000;
    a.id = 0x81;
    r.audio.push_back(a);
    dvd_subtitle_entry s;
    s.description = "Forced";
    s.info = "DVD subtitle";
    s.id = 0x21;
    r.subtitles.push_back(s);
    r.chapters.push_back(dvd_chapter_entry{0.0f, 1, 1, 1, 2, 0, 3});
    r.chapters.push_back(dvd_chapter_entry{1234.567f, 1, 2, 3, 3, 2, 3});
    r.cells.push_back(dvd_cell_entry{0.6f, 0, 38, 19, 1, 1});
    r.cells.push_back(dvd_cell_entry{0.6f, 39, 61, 39, 1, 3});
    r.cells.push_back(dvd_cell_entry{3722.44f, 62, 2000000, 1999000, 0, 0});
    info.titles.push_back(r);
    info.titles.push_back(r);
    info.titles.back().title_number = 8;
    return info;
}

TEST(DvdAnswer, WhatIsWrittenReadsBackTheSame)
{
    const dvd_info info = Sample();
    const std::string text = WriteDvdAnswer(info);
    dvd_info back;
    std::string error;
    ASSERT_TRUE(ReadDvdAnswer(text, back, &error)) << error << "\n" << text;
    EXPECT_EQ(WriteDvdAnswer(back), text);
    EXPECT_EQ(back.volume_label, info.volume_label);
    ASSERT_EQ(back.titles.size(), 2u);
    const dvd_title_record& r = back.titles[0];
    EXPECT_EQ(r.display_format, "PanScan & LetterBox");
    EXPECT_EQ(r.frame_rate, 29.97f);
    EXPECT_EQ(r.LengthMs(), 3723040);
    ASSERT_EQ(r.audio.size(), 1u);
    EXPECT_EQ(r.audio[0].description, "Director's comments");
    EXPECT_EQ(r.audio[0].bitrate, "");
    EXPECT_EQ(r.audio[0].id, 0x81);
    ASSERT_EQ(r.chapters.size(), 2u);
    EXPECT_EQ(r.chapters[1].start_time, 1234.567f);
    EXPECT_EQ(r.chapters[1].pgc_cells, 3);
    ASSERT_EQ(r.cells.size(), 3u);
    EXPECT_EQ(r.cells[2].time, 3722.44f);
    EXPECT_EQ(r.cells[2].last_sector, 2000000);
    EXPECT_EQ(r.cells[2].last_vobu_sector, 1999000);
    EXPECT_EQ(back.titles[1].title_number, 8);
}

// `text` with the first `from` replaced by `to`.
std::string Changed(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(DvdAnswer, EveryAnswerNotOfItsFormIsRefused)
{
    const std::string good = WriteDvdAnswer(Sample());
    const std::string title = good.substr(good.find("title "), good.find("\ntitle ", good.find("title ")) - good.find("title ") + 1);
    const std::string audio = good.substr(good.find("audio "), good.find('\n', good.find("audio ")) - good.find("audio ") + 1);
    std::string manyAudio = good;
    for (int i = 0; i < 8; ++i)
        manyAudio = Changed(manyAudio, audio, audio + audio.substr(0, audio.size()));
    std::string manyTitles = good;
    for (int i = 0; i < 98; ++i)
        manyTitles = Changed(manyTitles, "end\n", title + "end\n");

    const std::string bad[] = {
        "",
        good.substr(0, good.size() - 1),                       // no last line end
        good.substr(0, good.find("end\n")),                    // cut short
        good + "end\n",                                         // after the end
        Changed(good, "VXMDVD 1", "VXMDVD 2"),
        Changed(good, "\n", "\r\n"),
        Changed(good, "label ", "label  "),
        Changed(good, "main 1", "main 3"),
        Changed(good, "main 1", "main 0"),
        Changed(good, "main 1\n", "main 1\ncell 0 0 0 0 0 0\n"),  // a cell before any title
        Changed(good, "title 7 3 2", "title 7 3 2 9"),            // one field too many
        Changed(good, "title 7 3 2", "title 7 3"),
        Changed(good, "title 7", "title 100"),
        Changed(good, "title 7", "title +7"),
        Changed(good, "title 7", "title 7x"),
        Changed(good, "title 7", "title 99999999999999999999"),
        Changed(good, " 1 2 3 40 ", " 1 2 60 40 "),               // 60 seconds
        Changed(good, "cell 0.6 0 38", "cell 0.6 -1 38"),
        Changed(good, "cell 0.6 0 38", "cell nan 0 38"),
        Changed(good, "cell 0.6 0 38", "cell inf 0 38"),
        Changed(good, "cell 0.6 0 38", "cell -0.6 0 38"),
        Changed(good, "cell 0.6 0 38 19 1 1", "cell 0.6 0 38 19 4 1"),
        Changed(good, "%A9\nmain", "%A\nmain"),
        Changed(good, "MY%20", "MY%zz"),
        Changed(good, "MY%20", "MY%2f"),                          // lower-case hex is not written
        Changed(good, "label MY", "label " + std::string(300, 'x')),
        Changed(good, "label MY", std::string("label \x01")),
        Changed(good, "audio 129", "audio 512"),
        Changed(good, "subtitle 33", "subtitle 33 x"),
        Changed(good, "chapter 0 ", "chapter 0 1 1 1 1 1 1 1\nchapter 0 "),
        manyAudio,
        manyTitles,
    };
    for (const std::string& text : bad) {
        dvd_info info = Sample();
        info.volume_label = "kept";
        std::string error;
        EXPECT_FALSE(ReadDvdAnswer(text, info, &error)) << text;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(info.volume_label, "kept");
    }
}

}  // namespace
