// orv/error/ExceptionText.cpp - composition of exception texts.
#include "orv/error/Exception.h"

namespace orv {

// Provisional: the full composition comes with the message catalogue.
const char* Exception::BuildText(const StringBase<char>& a1, const StringBase<char>&,
                                 const StringBase<char>&,
                                 const StringBase<char>&) const {
  if (text == nullptr) text = new StringBase<char>();
  *text = std::to_string(number) + " - " + a1;
  return text->c_str();
}

}  // namespace orv
