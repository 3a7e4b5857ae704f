// A fresh temporary HOME and APPDATA for one test, so no test touches a real
// home. The shared settings models are dropped, so settings are read from the
// new folder; tests that use the day paths call InitDayPaths() themselves.
#pragma once

#include <string>

namespace phxtest {

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& home() const { return home_; }        // ends with '/'
    const std::string& appData() const { return appData_; }  // ends with '/'

private:
    std::string home_, appData_;
    std::string oldHome_, oldAppData_;
    bool hadHome_ = false, hadAppData_ = false;
};

// Reads a whole file (empty when missing).
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);

}  // namespace phxtest
