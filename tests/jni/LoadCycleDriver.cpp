// A shared object, linked against libquonvop4j.so, that uses the library the
// way a C++ program would. LoadCycleTest loads and unloads it (and with it the
// library) many times.
#include <cstdio>
#include <cstring>
#include <string>

#include "jni/ApplicationName.h"
#include "orv/orv.h"

extern "C" __attribute__((visibility("default"))) int DriveLibrary(const char* folder,
                                                                   char* report,
                                                                   std::size_t size) {
  try {
    std::string out;
    // The module and the services came up with the library.
    out += orv::StartUp::GetMain() != nullptr ? *orv::StartUp::GetMain()->GetModuleName()
                                             : std::string("<no module>");
    out += '|';
    out += jni::ApplicationName();
    out += '|';
    // A catalogue lookup and an exception text.
    orv::StringBase<char> text;
    if (orv::GetMessageText(text, 1003)) out += text;
    out += '|';
    out += orv::Exception(1313, "not set").what();
    out += '|';
    // A number without text: the loaded objects are asked, through the list
    // of them that the library keeps until it is unloaded.
    out += orv::Exception(4711).what();
    out += '|';
    // A file written, read back and removed.
    orv::FileString name(folder);
    name.AppendPath("cycle.bin");
    {
      orv::File file;
      file.SetName(name.c_str());
      file.Open(orv::ModeRead | orv::ModeWrite | orv::ModeCreate | orv::ModeTruncate);
      file.Write("cycle", 5);
      file.Rewind();
      char back[6] = {};
      file.Read(back, 5, true);
      out += back;
    }
    std::remove(name.c_str());
    std::snprintf(report, size, "%s", out.c_str());
    return 0;
  } catch (const std::exception& e) {
    std::snprintf(report, size, "exception: %s", e.what());
    return 1;
  }
}
