// PlainModule.cpp - a test module without a "ModuleInit" entry.
extern "C" __attribute__((visibility("default"))) int PlainValue() { return 42; }
