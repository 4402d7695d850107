// script-keys-table DATA_DIR OUTPUT: what the script converter may change, for the lookup
// command that does not load it. OpenCC converts a text by finding its tables' keys in it and
// leaves every other character as it is; so a text that holds no key of the tables of a
// direction comes back unchanged. This writes, for each direction (to Traditional: s2t.json,
// to Simplified: t2s.json in DATA_DIR, the folder the system's OpenCC reads them from), a hash
// of every key of every table of its conversion chain, and the size and a hash of the
// configuration and table files it read (script_keys.h has the layout). Exit: 0 written, 1
// when the tables cannot be read or OUTPUT written, 2 on a usage error.
#include <opencc/Config.hpp>
#include <opencc/Conversion.hpp>
#include <opencc/ConversionChain.hpp>
#include <opencc/Converter.hpp>
#include <opencc/Dict.hpp>
#include <opencc/DictEntry.hpp>
#include <opencc/Exception.hpp>
#include <opencc/Lexicon.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "device/dictionary/script_convert.h"
#include "device/dictionary/script_keys.h"

namespace {

// The files a configuration names ("file": "...") and itself, in DATA_DIR.
std::vector<std::string> FilesOf(const std::string& folder, const std::string& config)
{
  std::vector<std::string> files = {folder + "/" + config};
  std::ifstream in(files[0]);
  std::stringstream text;
  text << in.rdbuf();
  const std::string json = text.str();
  for (size_t at = json.find("\"file\""); at != std::string::npos; at = json.find("\"file\"", at + 6)) {
    size_t open = json.find('"', json.find(':', at) + 1), close = json.find('"', open + 1);
    if (open == std::string::npos || close == std::string::npos) break;
    std::string path = folder + "/" + json.substr(open + 1, close - open - 1);
    bool known = false;
    for (const std::string& file : files) known = known || file == path;
    if (!known) files.push_back(path);
  }
  return files;
}

// Every key of the tables of config's conversion chain, in UTF-16.
bool KeysOf(const std::string& path, std::vector<std::u16string>* keys)
{
  try {
    opencc::Config config;
    opencc::ConverterPtr converter = config.NewFromFile(path);
    for (const opencc::ConversionPtr& conversion : converter->GetConversionChain()->GetConversions()) {
      opencc::LexiconPtr lexicon = conversion->GetDict()->GetLexicon();
      for (size_t i = 0; i < lexicon->Length(); i++) {
        const std::string key = lexicon->At(i)->Key();
        int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, key.data(), (int)key.size(), nullptr, 0);
        if (units <= 0) return false;
        std::u16string wide((size_t)units, u'\0');
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, key.data(), (int)key.size(), wide.data(), units);
        keys->push_back(wide);
      }
    }
  } catch (const opencc::Exception& error) {
    std::fprintf(stderr, "script-keys-table: %s: %s\n", path.c_str(), error.what());
    return false;
  }
  return !keys->empty();
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 3 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: script-keys-table DATA_DIR OUTPUT\n");
    return 2;
  }
  const std::string folder = argv[1];
  std::vector<SCRIPT_KEYS_DIRECTION> directions(2);
  for (int direction : {SCRIPT_TO_TRADITIONAL, SCRIPT_TO_SIMPLIFIED}) {
    const std::string config = direction == SCRIPT_TO_TRADITIONAL ? "s2t.json" : "t2s.json";
    SCRIPT_KEYS_DIRECTION& made = directions[direction];
    for (const std::string& file : FilesOf(folder, config)) {
      made.Stamps.emplace_back();
      if (!StampScriptKeysSource(file, &made.Stamps.back())) {
        std::fprintf(stderr, "script-keys-table: cannot read %s\n", file.c_str());
        return 1;
      }
    }
    if (!KeysOf(folder + "/" + config, &made.Keys)) {
      std::fprintf(stderr, "script-keys-table: cannot read the tables of %s/%s\n", folder.c_str(), config.c_str());
      return 1;
    }
  }
  std::vector<unsigned char> bytes = ScriptKeysFile(directions);
  FILE* file = std::fopen(argv[2], "wb");
  if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0) {
    std::fprintf(stderr, "script-keys-table: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("script-keys-table: %zu keys to Traditional, %zu to Simplified\n", directions[0].Keys.size(),
              directions[1].Keys.size());
  return 0;
}
