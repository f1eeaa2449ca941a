#pragma once
// The melt page "解凍" of the options sheet: what a double click and a drop do with an
// archive and where they put it, and the cache, standard melt and install folders, shown
// with path variables and stored expanded. The cache can be opened and cleared from here.
#include <cstddef>

#include "settings/settings.h"
#include "shell/dialog.h"

// ---- Rules, free of any window -----------------------------------------------------------
// List texts: position = value.
extern const char* const Options_ActionTexts[6];
extern const char* const Options_MeltToTexts[9];
// The presets of the three folder fields.
extern const char* const Options_CachePresets[6];
extern const char* const Options_MeltPresets[7];
extern const char* const Options_InstallPresets[7];

// "フォルダ<path>は存在しません。"
char* Options_FolderMissing(const char* path, char* out, size_t size);
// The question before the cache is cleared, and the one after a refused deletion.
char* Options_ClearQuestion(const char* path, char* out, size_t size);
char* Options_ClearRefused(const char* path, char* out, size_t size);
// May the folder be cleared as the cache? Not an empty or relative path (it would mean
// wherever the process happens to be), not one of the folders in kept (the user's own
// folders, Windows', the program's) and not a folder that holds one of them.
bool Options_IsClearableCache(const char* folder, const char* const* kept, int kept_count);

// ---- The page ----------------------------------------------------------------------------

class Options_MeltPageWindow : public Dialog_Page {
public:
    explicit Options_MeltPageWindow(Zent_Settings* settings);

protected:
    void OnInit() override;
    void OnCommand(int id, int code) override;
    bool OnApply() override;

private:
    void OpenFolder(int field);
    void Browse(int field, const char* title);
    void ClearCache();

    Zent_Settings* settings_;
    bool filling_ = false;
};
