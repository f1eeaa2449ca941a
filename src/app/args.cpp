#include "args.h"

#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"

char* GetArgumentPath(const char* argument, char* buffer, size_t size) {
    while (*argument == ' ') argument++;
    StrX_Args args;
    StrX_ArgsInit(&args, argument);
    StdPlus_CopyN(buffer, StrX_ArgsCurrent(&args), size);
    if (!FileX_Exists(buffer))
        ERRORS_RAISE(Errors_Unofficial, "%s ファイルが見つかりません。", buffer);
    return buffer;
}
