// A once-per-process flag for a window's first paint. The application object
// owns one per window kind, so it lives exactly as long as the process's one
// run of the program.
#pragma once

class FirstPaintFlag {
 public:
  // True the first time only.
  bool TestAndClear() {
    bool was = m_set;
    m_set = false;
    return was;
  }
  bool IsSet() const { return m_set; }

 private:
  bool m_set = true;
};
