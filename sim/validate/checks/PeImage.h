// A small reader of 64-bit PE images: headers, sections, the export
// directory and the resource tree, enough to check a module file.
#ifndef TARNWICK_SIM_VALIDATE_CHECKS_PE_IMAGE_H
#define TARNWICK_SIM_VALIDATE_CHECKS_PE_IMAGE_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick::sim {

using Bytes = std::vector<unsigned char>;

struct PeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class PeImage {
 public:
  // Reads the file; throws PeError when it is not a PE image.
  explicit PeImage(const std::string& path);

  uint16_t machine() const { return machine_; }
  uint16_t magic() const { return magic_; }
  bool isDll() const { return (characteristics_ & 0x2000) != 0; }
  uint32_t DirectoryRva(int index) const { return U32(directories_ + 8u * index); }
  std::vector<std::string> SectionNames() const;
  // The file offset of an address; throws PeError outside every section.
  uint32_t Offset(uint32_t rva) const;

  uint16_t U16(uint32_t at) const;
  uint32_t U32(uint32_t at) const;
  std::string CString(uint32_t at) const;
  Bytes Slice(uint32_t at, uint32_t size) const;

 private:
  void Need(uint32_t at, uint32_t size) const;
  Bytes bytes_;
  uint16_t machine_ = 0;
  uint16_t magic_ = 0;
  uint16_t characteristics_ = 0;
  uint32_t directories_ = 0;
  uint32_t sectionTable_ = 0;
  uint32_t sectionCount_ = 0;
  uint32_t stringTable_ = 0;
};

struct PeExport {
  std::string name;
  uint32_t ordinal;
};

struct PeExports {
  std::string moduleName;
  uint32_t ordinalBase = 0;
  uint32_t functions = 0;
  std::vector<PeExport> named;
};

PeExports Exports(const PeImage& pe);

struct Resource {
  std::string type;  // a name, or "#" and the number
  uint32_t id;
  uint32_t language;
  uint32_t codePage;
  Bytes data;
};

// Every resource: the three levels of the tree, type, id and language.
std::vector<Resource> Resources(const PeImage& pe);
// The first resource of a type, or none.
std::optional<Resource> ResourceOfType(const PeImage& pe, const std::string& type);

}  // namespace tarnwick::sim

#endif
