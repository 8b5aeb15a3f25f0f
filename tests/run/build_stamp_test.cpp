// The built program carries the stamp of the build that linked it: the About box's build date and time
// are not older than the core library the program was linked from, however that library was last rebuilt.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

namespace {

constexpr char kMarker[] = "TessaroPro build:";
constexpr size_t kDateAt = 20;  // the stamp's layout: marker[20], date[12], time[9]
constexpr size_t kTimeAt = 32;

// Local time of a "Mmm dd yyyy" and "hh:mm:ss" pair as the compiler writes them; -1 when malformed.
std::time_t StampTime(const std::string& strDate, const std::string& strTime) {
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    std::tm tm{};
    char szMonth[4] = {};
    if (std::sscanf(strDate.c_str(), "%3s %d %d", szMonth, &tm.tm_mday, &tm.tm_year) != 3) return -1;
    if (std::sscanf(strTime.c_str(), "%d:%d:%d", &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 3) return -1;
    const char* pMonth = std::strstr(kMonths, szMonth);
    if (std::strlen(szMonth) != 3 || pMonth == nullptr || (pMonth - kMonths) % 3 != 0) return -1;
    tm.tm_mon = static_cast<int>(pMonth - kMonths) / 3;
    tm.tm_year -= 1900;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::time_t ModifiedAt(const char* pszPath) {
    struct stat st {};
    return ::stat(pszPath, &st) == 0 ? st.st_mtime : -1;
}

TEST(BuildStamp, IsTakenAfterTheLibrariesTheProgramWasLinkedFromAndBeforeItsLink) {
    std::ifstream file(TESSARO_PROGRAM, std::ios::binary | std::ios::ate);
    ASSERT_TRUE(file.good()) << TESSARO_PROGRAM;
    std::string image(static_cast<size_t>(file.tellg()), '\0');
    file.seekg(0);
    ASSERT_TRUE(file.read(image.data(), static_cast<std::streamsize>(image.size())));
    const size_t at = image.find(std::string(kMarker) + '\0');
    ASSERT_NE(std::string::npos, at) << "no build stamp in the program";
    ASSERT_LT(at + kTimeAt + 9, image.size());
    const std::string strDate(image.c_str() + at + kDateAt);
    const std::string strTime(image.c_str() + at + kTimeAt);
    const std::time_t stamp = StampTime(strDate, strTime);
    ASSERT_NE(-1, stamp) << strDate << " " << strTime;

    const std::time_t core = ModifiedAt(TESSARO_CORE_LIBRARY);
    const std::time_t program = ModifiedAt(TESSARO_PROGRAM);
    ASSERT_NE(-1, core);
    ASSERT_NE(-1, program);
    EXPECT_GE(stamp, core) << strDate << " " << strTime << ": older than the core library";
    EXPECT_LE(stamp, program) << strDate << " " << strTime << ": newer than the program";
}

}  // namespace
