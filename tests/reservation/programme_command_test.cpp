// Reservation commands and the programme-information file written from them.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "common/text_file.h"
#include "reservation/programme_command.h"
#include "settings/settings.h"
#include "tests/doubles/clock_double.h"
#include "tests/support/temp_dir.h"

namespace {

const char end_of_message[] = "\r\n.\r\n";

class programme_command : public in_temp_dir {
protected:
    void SetUp() override
    {
        in_temp_dir::SetUp();
        write_file("stations.txt", "# channel, name\r\n8, ChannelEight\r\n1, One\r\n999, Last\r\n");
        memset(&Settings, 0, sizeof Settings);
        strcpy(Settings.Station, "stations.txt");
    }

    // Runs one body through a freshly created file; the result and the
    // file's bytes on disk.
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

// The file a valid command gives; a null title is the default one.
std::string programme_file(const std::string& station, int year, int month, int day, const char* start,
                           const char* end, const char* title)
{
    return "Content-type: application/x-tv-program-info; charset=shift_jis\r\n"
           "version: 1\r\n"
           "station: " + station + "\r\nyear: " + std::to_string(year) + "\r\nmonth: " + std::to_string(month) +
           "\r\ndate: " + std::to_string(day) + "\r\nstart: " + start + "\r\nend: " + end + "\r\n" +
           (title ? std::string("program-title: ") + title : "program-title: Tobalin\x97\x5C\x96\xF1") +
           "\r\n"
           "program-subtitle: \r\n"
           "genre: \r\n"
           "subgenre: \r\n"
           "Extend: 0\r\n"
           "\r\n";
}

TEST_F(programme_command, worked_example_holds_byte_for_byte)
{
    std::string file;
    ASSERT_EQ(run(std::string("resv 0615 2100 2154 8 A B Night News") + end_of_message, &file), 0);
    EXPECT_EQ(file,
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
              "\r\n");
}

TEST_F(programme_command, accepted_commands)
{
    struct {
        const char* body;
        const char* station;
        int year, month, day;
        const char *start, *end, *title;
    } cases[] = {
        {"open x prog add 20050615 2100 2154 8", "ChannelEight", 2005, 6, 15, "21:00", "21:54", nullptr},
        {"open  x  prog \t add  20070101 0900 0930 8 anything else", "ChannelEight", 2007, 1, 1, "09:00", "09:30",
         nullptr},
        {" \t resv 0615 2100 2154 8 A B T", "ChannelEight", 2005, 6, 15, "21:00", "21:54", "T"},
        {"resv 0231 2100 2154 8 A B T", "ChannelEight", 2006, 2, 31, "21:00", "21:54", "T"},
        {"resv 0615 0000 2359 1 A B T", "One", 2005, 6, 15, "00:00", "23:59", "T"},
        {"resv 1231 2330 0030 999 A B T", "Last", 2005, 12, 31, "23:30", "00:30", "T"},
        {"resv 0615 ab05 2154 8 A B T", "ChannelEight", 2005, 6, 15, "00:05", "21:54", "T"},
        {"resv 06 7 2100 2154 8 A B T", "ChannelEight", 2005, 6, 7, "21:00", "21:54", "T"},
        {"resv   0615\t2100  2154 \t8ch A B Night\tNews  ", "ChannelEight", 2005, 6, 15, "21:00", "21:54",
         "Night\tNews  "},
        {"resvp w 0615 2100 2154 8 A B T", "ChannelEight", 2005, 6, 15, "21:00", "21:54", "T"},
        // The title is the rest of its line; later lines are not the programme's.
        {"resv 0615 2100 2154 8 A B Night News\r\nmore\r\nlines", "ChannelEight", 2005, 6, 15, "21:00", "21:54",
         "Night News"},
        {"resv 0615 2100 2154 8 A B Night\rNews", "ChannelEight", 2005, 6, 15, "21:00", "21:54", "Night"},
        // The word B runs on through the line end: no title.
        {"resv 0615 2100 2154 8 A B", "ChannelEight", 2005, 6, 15, "21:00", "21:54", ""},
        {"resv 0615 2100 2154 8", "ChannelEight", 2005, 6, 15, "21:00", "21:54", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        std::string file;
        ASSERT_EQ(run(std::string(c.body) + end_of_message, &file), 0);
        EXPECT_EQ(file, programme_file(c.station, c.year, c.month, c.day, c.start, c.end, c.title));
    }
}

TEST_F(programme_command, refused_commands_write_nothing)
{
    const char* bodies[] = {
        "",
        "  \t ",
        "resv\t0615 2100 2154 8 A B T",  // the keyword's space must be a space
        "RESV 0615 2100 2154 8 A B T",
        "\r\nresv 0615 2100 2154 8 A B T",  // the command must stand on the first line
        "reserve 0615 2100 2154 8 A B T",
        "open prog add 20050615 2100 2154 8",  // "prog" is taken for the word after "open"
        "open x prog 20050615 2100 2154 8",
        "open x add 20050615 2100 2154 8",
        "open x prog add 20030615 2100 2154 8",
        "resv 0015 2100 2154 8 A B T",
        "resv 1315 2100 2154 8 A B T",
        "resv 0600 2100 2154 8 A B T",
        "resv 0632 2100 2154 8 A B T",
        "resv ab15 2100 2154 8 A B T",
        "resv 0615 2400 2154 8 A B T",
        "resv 0615 2360 2154 8 A B T",
        "resv 0615 2100 2400 8 A B T",
        "resv 0615 2100 2160 8 A B T",
        "resv 0615 2100 2154 0 A B T",
        "resv 0615 2100 2154 1000 A B T",
        "resv 0615 2100 2154 7 A B T",  // no line for channel 7
        "resv 0615 2100 2154 x A B T",
        // Numbers beyond 32 bits do not wrap round to a valid channel.
        "resv 0615 2100 2154 4294967304 A B T",
        "resv 0615 2100 2154 -4294967288 A B T",
        "resv 0615 2100 2154 99999999999999999999 A B T",
        "resvp 0615 2100 2154 8 A B T",  // 0615 is taken for the word after "resvp"
        // Groups cut short by the end of the text.
        "resv ",
        "resv 061",
        "resv 0615",
        "resv 0615 21",
        "resv 0615 2100 215",
        "resv 0615 2100 2154",
        "resv 0615 2100 2154  \t",
        "open x prog add 2005",
        "open x prog add 2005061",
    };
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        std::string file;
        EXPECT_EQ(run(body, &file), -1);
        EXPECT_EQ(file, "");
    }
}

TEST_F(programme_command, refused_without_a_usable_station_file)
{
    std::string file;
    Settings.Station[0] = '\0';
    EXPECT_EQ(run("resv 0615 2100 2154 8 A B T", &file), -1);
    EXPECT_EQ(file, "");

    strcpy(Settings.Station, "missing.txt");
    EXPECT_EQ(run("resv 0615 2100 2154 8 A B T", &file), -1);
    EXPECT_EQ(file, "");
}

TEST_F(programme_command, a_date_without_a_year_is_the_next_one_to_come)
{
    struct {
        os_date today;
        const char* month_day;
        const char* year_line;
    } cases[] = {
        {{2005, 6, 15}, "0614", "year: 2006\r\n"},
        {{2005, 6, 15}, "0615", "year: 2005\r\n"},
        {{2005, 6, 15}, "0616", "year: 2005\r\n"},
        {{2005, 7, 1}, "0630", "year: 2006\r\n"},
        {{2005, 5, 31}, "0601", "year: 2005\r\n"},
        {{2005, 12, 31}, "0101", "year: 2006\r\n"},
        {{2005, 1, 1}, "1231", "year: 2005\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.month_day);
        clock.today = c.today;
        std::string file;
        ASSERT_EQ(run(std::string("resv ") + c.month_day + " 2100 2154 8 A B T", &file), 0);
        EXPECT_NE(file.find(std::string("\r\n") + c.year_line), std::string::npos) << file;
    }
}

}  // namespace
