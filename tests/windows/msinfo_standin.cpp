// A stand-in for the system-information tool: it leaves a mark beside itself that it was started, and ends.
#include <windows.h>

#include <fstream>
#include <string>

int main()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\') + 1);
    std::ofstream(folder + "started") << "MSINFO32.EXE was started\n";
    return 0;
}
