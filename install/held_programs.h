// The programs the setup starts from the installation folder (the provider's helper, and
// the client from the finish page) are held from the moment their content is known to
// be the payload's until they have been started: opened for reading and shared for
// reading only, nobody can write, rename or delete them meanwhile, and a program start
// still opens them.
#pragma once

#include "install/checked_folder.h"
#include "platform/os.h"

namespace sorvane {

class HeldPrograms {
  public:
    explicit HeldPrograms(Os& os) : os_(os) {}
    ~HeldPrograms();
    HeldPrograms(const HeldPrograms&) = delete;
    HeldPrograms& operator=(const HeldPrograms&) = delete;

    // Holds payload |id|'s file in the held |folder| when it holds exactly the payload:
    // false otherwise, and nothing is held.
    bool Hold(const HeldFolder& folder, int id);
    bool Held(int id) const { return Slot(id) && *Slot(id) != 0; }
    // Ends the hold of payload |id|, once it has been started (or will not be).
    void Release(int id);

  private:
    // The open file of payload |id|, for the two programs the setup starts; none else.
    FileHandle* Slot(int id);
    const FileHandle* Slot(int id) const { return const_cast<HeldPrograms*>(this)->Slot(id); }
    Os& os_;
    FileHandle client_ = 0;
    FileHandle helper_ = 0;
};

}  // namespace sorvane
