// orv/error/ExceptionText.h - internal controls of exception-text composition.
#ifndef ORV_ERROR_EXCEPTIONTEXT_H
#define ORV_ERROR_EXCEPTIONTEXT_H

namespace orv {
namespace internal {

// While an object of this class lives, exception texts on the calling thread
// do not consult the running process for their reporter: without a main
// start-up object the reporter is "<unknown>". Exception::what() uses it to
// retry a composition that failed.
class ReporterWithoutProcess {
 public:
  ReporterWithoutProcess() noexcept;
  ~ReporterWithoutProcess();
  ReporterWithoutProcess(const ReporterWithoutProcess&) = delete;
  ReporterWithoutProcess& operator=(const ReporterWithoutProcess&) = delete;

  static bool Active() noexcept;

 private:
  bool previous_;
};

}  // namespace internal
}  // namespace orv

#endif
