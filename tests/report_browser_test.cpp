// A real browser renders the planners' report: headless Chromium takes a
// screenshot of the demo's report, which must have the window's size, show
// text and show the heat map's colours. Without a browser the case skips
// and says so.
#include <gtest/gtest.h>
#ifdef DORVELIAN_HAVE_PNG
#include <png.h>
#endif
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/Program.hpp"
#include "support/TestDb.hpp"

namespace {

// The browser: DORVELIAN_CHROMIUM, else chromium on the search path; "" when none.
std::string Browser() {
    if (const char* b = std::getenv("DORVELIAN_CHROMIUM"); b && *b) return b;
    std::FILE* p = popen("command -v chromium 2>/dev/null", "r");
    if (!p) return "";
    char buf[512] = {};
    std::string pfad = std::fgets(buf, sizeof buf, p) ? buf : "";
    pclose(p);
    while (!pfad.empty() && (pfad.back() == '\n' || pfad.back() == ' ')) pfad.pop_back();
    return pfad;
}

struct Bild {
    unsigned breite = 0, hoehe = 0;
    std::vector<unsigned char> rgb;
    // Pixels within tol of the colour per channel.
    long anzahl(unsigned farbe, int tol) const {
        const int r = (farbe >> 16) & 0xff, g = (farbe >> 8) & 0xff, b = farbe & 0xff;
        long n = 0;
        for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
            if (std::abs(rgb[i] - r) <= tol && std::abs(rgb[i + 1] - g) <= tol && std::abs(rgb[i + 2] - b) <= tol) ++n;
        return n;
    }
    long dunkel() const {
        long n = 0;
        for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
            if (rgb[i] + rgb[i + 1] + rgb[i + 2] < 200) ++n;
        return n;
    }
};

#ifdef DORVELIAN_HAVE_PNG
bool Lesen(const std::string& pfad, Bild& bild) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, pfad.c_str())) return false;
    img.format = PNG_FORMAT_RGB;
    bild.breite = img.width;
    bild.hoehe = img.height;
    bild.rgb.resize(PNG_IMAGE_SIZE(img));
    const bool ok = png_image_finish_read(&img, nullptr, bild.rgb.data(), 0, nullptr) != 0;
    png_image_free(&img);
    return ok;
}
#endif

TEST(PlanerBerichtImBrowser, WirdAlsBildMitKarteGezeichnet) {
#ifndef DORVELIAN_HAVE_PNG
    GTEST_SKIP() << "built without libpng (Debian package libpng-dev): the screenshot cannot be read";
#else
    const std::string browser = Browser();
    if (browser.empty())
        GTEST_SKIP() << "no browser installed (Debian package chromium): the report is not rendered";

    const std::string wurzel = testdb::makeTempDir();
    ASSERT_EQ(testdb::runDemo({"--dir", wurzel + "/demo", "--days", "3", "--plangroups", "1", "--units", "2"}).code, 0);
    ASSERT_EQ(testdb::runProgram(testdb::demoRun(wurzel + "/demo")).code, 0);
    const std::string html = wurzel + "/bericht.html", png = wurzel + "/bericht.png";
    ASSERT_EQ(
        testdb::runProgram({.program = "dorvelian-report", .args = {"-o", html, wurzel + "/demo/work/dorvelian.cfg"}})
            .code,
        0);

    const unsigned breite = 1000, hoehe = 1400;
    std::vector<std::string> args = testdb::words(
        "--headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking "
        "--disable-component-update --disable-sync --force-color-profile=srgb --hide-scrollbars");
    args.insert(args.end(), {"--user-data-dir=" + wurzel + "/profil",
                             "--window-size=" + std::to_string(breite) + "," + std::to_string(hoehe),
                             "--screenshot=" + png, "file://" + html});
    const testdb::Outcome browserLauf = testdb::runProgram({.program = browser, .args = args});
    ASSERT_EQ(browserLauf.code, 0) << browserLauf.out << browserLauf.err;
    Bild bild;
    ASSERT_TRUE(Lesen(png, bild)) << browserLauf.out << browserLauf.err;
    EXPECT_EQ(bild.breite, breite);
    EXPECT_EQ(bild.hoehe, hoehe);
    const long alle = static_cast<long>(breite) * hoehe;
    // Text: dark pixels; not blank: a good share of the page is not white.
    EXPECT_GT(bild.dunkel(), alle / 200);
    EXPECT_LT(bild.anzahl(0xffffff, 2), alle * 95 / 100);
    // The heat map: balanced cells, and cells of a class that needs a planner.
    EXPECT_GT(bild.anzahl(0xe5f5e0, 3), 20L * 20);
    EXPECT_GT(bild.anzahl(0xd7301f, 3) + bild.anzahl(0xfc8d59, 3) + bild.anzahl(0x9ecae1, 3) +
                  bild.anzahl(0x3182bd, 3),
              20L * 20);
    testdb::removeTree(wurzel);
#endif
}

}  // namespace
