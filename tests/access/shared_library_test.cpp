#include "access/core/shared_library.h"

#include <gtest/gtest.h>

#include <utility>

namespace ql {

namespace access {
namespace {

TEST(SharedLibraryTest, FindsFunctionsAndSurvivesAMove) {
  SharedLibrary library = SharedLibrary::Open("libm.so.6");
  ASSERT_TRUE(library.IsOpen()) << library.Error();
  SharedLibrary moved = std::move(library);
  EXPECT_FALSE(library.IsOpen());
  EXPECT_EQ(library.Symbol("cos"), nullptr);
  auto cosine = moved.Function<double (*)(double)>("cos");
  ASSERT_NE(cosine, nullptr);
  EXPECT_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(moved.Symbol("no_such_function_in_libm"), nullptr);
}

TEST(SharedLibraryTest, AMissingLibraryLeavesItsNameInTheError) {
  SharedLibrary library = SharedLibrary::Open("libql-not-installed.so.9");
  EXPECT_FALSE(library.IsOpen());
  EXPECT_NE(library.Error().find("libql-not-installed.so.9"), std::string::npos) << library.Error();
  EXPECT_EQ(library.Symbol("anything"), nullptr);
}

}  // namespace
}  // namespace access

}  // namespace ql
