#include "report/file_digest.h"

#include "platform/system_error_text.h"
#include "report/report_input.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

namespace kavo {
namespace {

struct ContextDeleter {
  void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

std::string hexOf(const unsigned char* digest, unsigned int length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0x0F];
  }
  return hex;
}

Context startSha256() {
  Context context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
    return nullptr;
  }
  return context;
}

std::string finish(EVP_MD_CTX* context) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context, digest, &length) != 1) {
    return {};
  }
  return hexOf(digest, length);
}

FileDigest failure(const std::string& path, const std::string& reason) {
  return {false, {}, "Ошибка чтения файла!", path + ": " + reason};
}

} // namespace

std::string sha256OfBytes(std::string_view bytes) {
  const Context context = startSha256();
  if (!context || EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1) {
    return {};
  }
  return finish(context.get());
}

FileDigest sha256OfFile(const std::string& path) {
  errno = 0;
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    return failure(path, systemErrorText(errno));
  }
  const Context context = startSha256();
  if (!context) {
    return failure(path, "SHA-256 недоступен");
  }
  std::vector<unsigned char> block(1 << 16);
  for (;;) {
    const std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
    if (n > 0 && EVP_DigestUpdate(context.get(), block.data(), n) != 1) {
      return failure(path, "сбой при вычислении SHA-256");
    }
    if (n < block.size()) {
      if (std::ferror(file.get())) {
        return failure(path, systemErrorText(errno));
      }
      break;
    }
  }
  std::string hex = finish(context.get());
  if (hex.empty()) {
    return failure(path, "сбой при вычислении SHA-256");
  }
  return {true, std::move(hex), {}, {}};
}

void addFileDigests(ReportInput& input) {
  for (ReportFile& f : input.files) {
    if (!f.sha256.empty()) {
      continue;
    }
    const FileDigest d = sha256OfFile(f.path);
    if (d.ok) {
      f.sha256 = d.hex;
      f.digestProblem.clear();
    } else {
      f.digestProblem = d.detail;
    }
  }
}

} // namespace kavo
