#include "archiver/associations.h"

#include "archiver/dlls.h"
#include "lib/errors.h"
#include "lib/except3.h"

namespace {

enum { kMaxRows = 40 };

struct Assembled {
    WinX_TypeRow rows[kMaxRows + 3];
    int first[Zent_Dll_Count + 1];  // the DLL's first row; [Zent_Dll_Count] the folder's
    WinX_TypeSet set;
};

Assembled Assemble() {
    Assembled a{};
    int n = 0;
    for (int dll = 0; dll < Zent_Dll_Count; dll++) {
        a.first[dll] = n;
        const WinX_TypeRow* own = Zent_Dll(static_cast<Zent_DllId>(dll)).associations;
        for (; own->extension != nullptr; own++) {
            if (n == kMaxRows)
                Except_Fatal(Except_Code_Fatal, "関連付けの行が多すぎます。", __FILE__, __LINE__);
            a.rows[n++] = *own;
        }
    }
    a.first[Zent_Dll_Count] = n;
    a.rows[n++] = WinX_FolderRow;
    a.rows[n++] = WinX_AllFilesRow;
    a.rows[n] = {"NULL", nullptr, true, "", -1, nullptr};
    a.set = {"Quarvel SV", "1.10", a.rows};
    return a;
}

// Put together once from the DLL table, which does not change while the program runs.
const Assembled& Rows() {
    static const Assembled assembled = Assemble();
    return assembled;
}

}  // namespace

const WinX_TypeSet* Zent_AssociationSet() {
    return &Rows().set;
}

int Zent_ArchiveRowCount() {
    return Rows().first[Zent_Dll_Count];
}

void Zent_AssociationRowsOf(Zent_DllId dll, int* first, int* count) {
    *first = Rows().first[dll];
    *count = Rows().first[dll + 1] - *first;
}
