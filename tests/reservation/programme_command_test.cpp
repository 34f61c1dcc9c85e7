// Reservation commands and the programme-information file written from them.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "common/text_file.h"
#include "reservation/programme_command.h"
#include "settings/settings.h"
#include "tests/doubles/clock_double.h"
#include "tests/support/temp_dir.h"

// The worked example: station file line "8, ChannelEight", today 1 June 2005,
// body "resv 0615 2100 2154 8 A B Night News" CR LF "." CR LF. The message
// tests expect it too.
extern const char worked_example_file[] =
    "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
    "version: 1\r\n"
    "station: ChannelEight\r\n"
    "year: 2005\r\n"
    "month: 6\r\n"
    "date: 15\r\n"
    "start: 21:00\r\n"
    "end: 21:54\r\n"
    "program-title: Night News\r\n"
    "program-subtitle: \r\n"
    "genre: \r\n"
    "subgenre: \r\n"
    "Extend: 0\r\n"
    "\r\n";

namespace {

const std::string mailbox_end = "\r\n.\r\n";  // what ends a body the mailbox hands over

class programme_command : public in_temp_dir {
protected:
    void SetUp() override
    {
        in_temp_dir::SetUp();
        write_file("stations.txt", "# channel, name\r\n8, ChannelEight\r\n1, One\r\n999, Last\r\n0, O\r\n1000, K\r\n");
        memset(&Settings, 0, sizeof Settings);
        strcpy(Settings.Station, "stations.txt");
    }

    // The result for one body, and the bytes of the file it was given.
    int run(const std::string& body, std::string* file)
    {
        text_file output;
        EXPECT_EQ(text_file_create(&output, "Tobalin.tvpi"), 0);
        int result = write_programme_info_from_command(&output, body.c_str());
        EXPECT_EQ(text_file_close(&output), 0);
        *file = file_bytes("Tobalin.tvpi");
        return result;
    }

    clock_double clock{{2005, 6, 1}};
};

TEST_F(programme_command, worked_example_holds_byte_for_byte)
{
    std::string file;
    ASSERT_EQ(run("resv 0615 2100 2154 8 A B Night News" + mailbox_end, &file), 0);
    EXPECT_EQ(file, worked_example_file);
}

TEST_F(programme_command, accepted_commands)
{
    const struct {
        const char* body;
        const char* station;
        int year, month, day;
        const char *start, *end, *title;  // a null title is the default one
        os_date today = {2005, 6, 1};
    } cases[] = {
        {"open x prog add 20050615 2100 2154 8", "ChannelEight", 2005, 6, 15, "21:00", "21:54", nullptr},
        {"open  x  prog \t add  20070101 0900 0930 8 anything", "ChannelEight", 2007, 1, 1, "09:00", "09:30", nullptr},
        {" \t resv 0231 2100 2154 8 A B T", "ChannelEight", 2006, 2, 31, "21:00", "21:54", "T"},
        {"resv 0615 0000 2359 1 A B T", "One", 2005, 6, 15, "00:00", "23:59", "T"},
        {"resv 1231 2330 0030 999 A B T", "Last", 2005, 12, 31, "23:30", "00:30", "T"},
        {"resv 0615 ab05 2154 8 A B T", "ChannelEight", 2005, 6, 15, "00:05", "21:54", "T"},
        // Blanks are spaces and tabs; a tab belongs to a word.
        {"resv   0615\t2100  2154 \t8ch\tx A B Night\tNews  ", "ChannelEight", 2005, 6, 15, "21:00", "21:54",
         "Night\tNews  "},
        {"resvp w 0615 2100 2154 8 A B T", "ChannelEight", 2005, 6, 15, "21:00", "21:54", "T"},
        // The title is the rest of its line; later lines are not the programme's.
        {"resv 0615 2100 2154 8 A B T\r\nmore\r\nlines", "ChannelEight", 2005, 6, 15, "21:00", "21:54", "T"},
        {"resv 0615 2100 2154 8 A B T\rNews", "ChannelEight", 2005, 6, 15, "21:00", "21:54", "T"},
        // The word B runs on through the line end: no title.
        {"resv 0615 2100 2154 8 A B", "ChannelEight", 2005, 6, 15, "21:00", "21:54", ""},
        {"resv 0615 2100 2154 8", "ChannelEight", 2005, 6, 15, "21:00", "21:54", ""},
        // A date without a year is the next one to come.
        {"resv 0614 2100 2154 8 A B T", "ChannelEight", 2006, 6, 14, "21:00", "21:54", "T", {2005, 6, 15}},
        {"resv 0615 2100 2154 8 A B T", "ChannelEight", 2005, 6, 15, "21:00", "21:54", "T", {2005, 6, 15}},
        {"resv 0616 2100 2154 8 A B T", "ChannelEight", 2005, 6, 16, "21:00", "21:54", "T", {2005, 6, 15}},
        {"resv 0630 2100 2154 8 A B T", "ChannelEight", 2006, 6, 30, "21:00", "21:54", "T", {2005, 7, 1}},
        {"resv 0601 2100 2154 8 A B T", "ChannelEight", 2005, 6, 1, "21:00", "21:54", "T", {2005, 5, 31}},
        {"resv 0101 2100 2154 8 A B T", "ChannelEight", 2006, 1, 1, "21:00", "21:54", "T", {2005, 12, 31}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        clock.today = c.today;
        // Lines 3 to 9 differ from the worked example.
        std::string expected = worked_example_file;
        size_t from = expected.find("station: "), to = expected.find("program-subtitle: ");
        expected.replace(from, to - from,
                         std::string("station: ") + c.station + "\r\nyear: " + std::to_string(c.year) +
                             "\r\nmonth: " + std::to_string(c.month) + "\r\ndate: " + std::to_string(c.day) +
                             "\r\nstart: " + c.start + "\r\nend: " + c.end + "\r\nprogram-title: " +
                             (c.title ? c.title : "Tobalin\x97\x5C\x96\xF1") + "\r\n");
        std::string file;
        ASSERT_EQ(run(c.body + mailbox_end, &file), 0);
        EXPECT_EQ(file, expected);
    }
}

TEST_F(programme_command, refused_commands_write_nothing)
{
    const char* bodies[] = {
        "  \t ",
        "resv\t0615 2100 2154 8 A B T",  // the keyword's space must be a space
        "RESV 0615 2100 2154 8 A B T",
        "\r\nresv 0615 2100 2154 8 A B T",  // the command must stand on the first line
        "open prog add 20050615 2100 2154 8",  // "prog" is taken for the word after "open"
        "open x prog 20050615 2100 2154 8",
        "open x add 20050615 2100 2154 8",
        "open x prog add 20030615 2100 2154 8",
        "resvp 0615 2100 2154 8 A B T",  // 0615 is taken for the word after "resvp"
        // Each field out of its range (channels 0 and 1000 have lines), or channel 7 with no line.
        "resv 0015 2100 2154 8 A B T", "resv 1315 2100 2154 8 A B T", "resv ab15 2100 2154 8 A B T",
        "resv 0600 2100 2154 8 A B T", "resv 0632 2100 2154 8 A B T", "resv 0615 2400 2154 8 A B T",
        "resv 0615 2360 2154 8 A B T", "resv 0615 2100 2400 8 A B T", "resv 0615 2100 2160 8 A B T",
        "resv 0615 2100 2154 0 A B T", "resv 0615 2100 2154 1000 A B T", "resv 0615 2100 2154 7 A B T",
        "resv 0615 2100 2154 4294967304 A B T",  // does not wrap round to channel 8
        // Groups cut short by the end of the text.
        "resv ", "resv 061", "resv 0615", "resv 0615 21", "resv 0615 2100 215", "resv 0615 2100 2154  \t",
        "open x prog add 200", "open x prog add 2005061",
    };
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        std::string file;
        EXPECT_EQ(run(body, &file), -1);
        EXPECT_EQ(file, "");
    }
    // Without a usable station file.
    for (const char* station : {"", "missing.txt"}) {
        SCOPED_TRACE(station);
        strcpy(Settings.Station, station);
        std::string file;
        EXPECT_EQ(run("resv 0615 2100 2154 8 A B T", &file), -1);
        EXPECT_EQ(file, "");
    }
}

}  // namespace
