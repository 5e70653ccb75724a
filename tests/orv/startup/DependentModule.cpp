// DependentModule.cpp - a test module without a "ModuleInit" of its own that
// depends on the recording module, which has one.
extern "C" const char* RecordedInitCalls();

extern "C" __attribute__((visibility("default"))) const char* DependentCalls() {
  return RecordedInitCalls();
}
