// Where the tests find things outside the build: the real-file corpus and the
// built programs. The corpus folder comes from the environment variable
// PAGEWRIGHT_CORPUS_DIR when set, else from the compile definition of the
// same name; tests that need it skip when it is absent.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace pagewright::support {

inline std::string CorpusDir() {
  if (const char* fromEnvironment = std::getenv("PAGEWRIGHT_CORPUS_DIR"); fromEnvironment && *fromEnvironment)
    return fromEnvironment;
#ifdef PAGEWRIGHT_CORPUS_DIR
  return PAGEWRIGHT_CORPUS_DIR;
#else
  return "";
#endif
}

// True when the corpus manifest exists.
inline bool HasCorpus() {
  std::string dir = CorpusDir();
  std::error_code ignored;
  return !dir.empty() && std::filesystem::is_regular_file(dir + "/manifest.tsv", ignored);
}

inline std::string BinaryDir() {
#ifdef PAGEWRIGHT_BINARY_DIR
  return PAGEWRIGHT_BINARY_DIR;
#else
  return ".";
#endif
}

}  // namespace pagewright::support
