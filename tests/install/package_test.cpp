// The Debian package made by cpack from the build tree: its control fields (Depends from the
// binary, the ODBC drivers suggested), its files, a program that runs from it, and lintian's
// verdict. Skipped where the packaging tools are missing, but never under CI=true.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "support/temporary_directory.h"
#include "tools.h"

namespace ql {

namespace {

using installtest::RunTool;

// The library packages whose libraries the binary is linked against; a sanitizer build adds the
// sanitizers' run-time libraries.
std::set<std::string> LinkedLibraries() {
  std::set<std::string> packages = {"libc6", "libgcc-s1", "libstdc++6", "libsqlite3-0", "libodbc2", "libedit2"};
  if (QL_SANITIZED) packages.insert({"libasan8", "libubsan1"});
  return packages;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// The package names of a relationship field such as "libc6 (>= 2.34), libedit2 | libedit3".
std::set<std::string> PackageNames(const std::string& field) {
  std::set<std::string> names;
  std::size_t at = 0;
  while (at < field.size()) {
    const std::size_t start = field.find_first_not_of(" ,|", at);
    if (start == std::string::npos) break;
    const std::size_t end = field.find_first_of(" ,|(", start);
    names.insert(field.substr(start, end - start));
    // On to the next alternative or package; a version in parentheses is skipped with its name.
    at = field.find_first_of(",|", start);
  }
  return names;
}

class PackageTest : public testing::Test {
 protected:
  // cpack runs once for the suite; it reuses the built tree and takes seconds.
  static void SetUpTestSuite() {
    if (!installtest::MissingTools({"dpkg", "dpkg-deb", "dpkg-shlibdeps"}).empty()) return;
    folder_ = std::make_unique<testsupport::TemporaryDirectory>();
    const auto cpack =
        RunTool({QL_CPACK, "-G", "DEB", "--config", QL_BUILD_DIR "/CPackConfig.cmake", "-B", folder_->Path().string()},
                QL_BUILD_DIR, 600);
    ASSERT_EQ(cpack.exitCode, 0) << cpack.output << cpack.errors;
    const std::string architecture = Trimmed(RunTool({"dpkg", "--print-architecture"}).output);
    deb_ = (folder_->Path() / ("queryloom_" QL_VERSION "_" + architecture + ".deb")).string();
  }
  static void TearDownTestSuite() { folder_.reset(); }

  // The whole value of one control field; empty when the package lacks it.
  static std::string Field(const char* name) { return Trimmed(RunTool({"dpkg-deb", "-f", deb_, name}).output); }

  static inline std::unique_ptr<testsupport::TemporaryDirectory> folder_;
  static inline std::string deb_;
};

#define QL_REQUIRE_PACKAGE()                              \
  QL_REQUIRE_TOOLS("dpkg", "dpkg-deb", "dpkg-shlibdeps"); \
  ASSERT_TRUE(std::filesystem::exists(deb_)) << deb_ << " was not made"

TEST_F(PackageTest, ControlFields) {
  QL_REQUIRE_PACKAGE();
  EXPECT_EQ(Field("Package"), "queryloom");
  EXPECT_EQ(Field("Version"), QL_VERSION);
  EXPECT_EQ(Field("Section"), "database");
  EXPECT_NE(Field("Maintainer"), "");
  // Depends comes from the binary and holds its libraries and no more; each of the database and
  // terminal libraries is needed either way, or recommended when the program loads it itself.
  const std::set<std::string> depends = PackageNames(Field("Depends"));
  const std::set<std::string> recommends = PackageNames(Field("Recommends"));
  const std::set<std::string> linked = LinkedLibraries();
  for (const std::string& package : depends) {
    EXPECT_TRUE(linked.count(package)) << "Depends on " << package;
  }
  for (const char* package : {"libc6", "libsqlite3-0"}) EXPECT_TRUE(depends.count(package)) << package;
  for (const char* package : {"libodbc2", "libedit2", "libpq5", "libmariadb3"}) {
    EXPECT_TRUE(depends.count(package) || recommends.count(package)) << package;
  }
  const std::set<std::string> suggests = PackageNames(Field("Suggests"));
  for (const char* driver : {"odbc-postgresql", "odbc-mariadb", "libsqliteodbc", "odbc-mdbtools", "tdsodbc"}) {
    EXPECT_TRUE(suggests.count(driver) || recommends.count(driver)) << driver;
  }
}

TEST_F(PackageTest, FilesAndTheirOwners) {
  QL_REQUIRE_PACKAGE();
  const auto contents = RunTool({"dpkg-deb", "-c", deb_});
  ASSERT_EQ(contents.exitCode, 0) << contents.errors;
  std::set<std::string> files;
  std::istringstream lines(contents.output);
  for (std::string line; std::getline(lines, line);) {
    // "-rw-r--r-- root/root  2358 2026-12-08 21:55 ./usr/share/doc/queryloom/sample.sql"
    std::istringstream fields(line);
    std::string mode, owner, size, date, time, path;
    fields >> mode >> owner >> size >> date >> time >> path;
    EXPECT_EQ(owner, "root/root") << line;
    EXPECT_EQ(path.rfind("./usr/", 0), 0u) << line;
    if (mode[0] != 'd') files.insert(path + " " + mode);
  }
  const std::set<std::string> expected = {
      "./usr/bin/queryloom -rwxr-xr-x",
      "./usr/share/man/man1/queryloom.1.gz -rw-r--r--",
      "./usr/share/doc/queryloom/README.md -rw-r--r--",
      "./usr/share/doc/queryloom/sample.sql -rw-r--r--",
      "./usr/share/doc/queryloom/copyright -rw-r--r--",
      "./usr/share/doc/queryloom/changelog.gz -rw-r--r--",
  };
  EXPECT_EQ(files, expected);
}

TEST_F(PackageTest, ItsProgramRunsAndItsManualPageReads) {
  QL_REQUIRE_PACKAGE();
  const testsupport::TemporaryDirectory root;
  ASSERT_EQ(RunTool({"dpkg-deb", "-x", deb_, root.Path().string()}).exitCode, 0);
  const auto version = RunTool({(root / "usr/bin/queryloom").string(), "--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.output.rfind("queryloom " QL_VERSION "\n", 0), 0u) << version.output;
  // The compressed page is the page of the source tree.
  const auto page = RunTool({"gzip", "-dc", (root / "usr/share/man/man1/queryloom.1.gz").string()});
  EXPECT_EQ(page.exitCode, 0);
  EXPECT_NE(page.output.find("\n.SH COMMANDS\n"), std::string::npos);
}

TEST_F(PackageTest, LintianReportsNoError) {
  QL_REQUIRE_PACKAGE();
  QL_REQUIRE_TOOLS("lintian");
  const auto lintian = RunTool({"lintian", "--fail-on", "error", deb_}, {}, 300);
  EXPECT_EQ(lintian.exitCode, 0) << lintian.output;
  EXPECT_EQ(lintian.output.find("E: "), std::string::npos) << lintian.output;
}

}  // namespace

}  // namespace ql
