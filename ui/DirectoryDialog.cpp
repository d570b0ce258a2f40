// The directory selection dialog: a lazily read tree of drives and directories,
// the directory name, and how the directory is added.
#include "ui/DirectoryDialog.h"
#include "ui/CallbackGuard.h"

#include <commctrl.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/PathBuffer.h"
#include "platform/Utf8.h"
#include "resources/resource.h"
#include "ui/DirectoryDialogWindowless.h"
#include "ui/ImageListBox.h"

namespace {

// What one run of the dialog is handed, and what it tells its opener.
struct DirectoryRequest {
    HWND options;  // the options dialog, whose image list receives the lines
    bool added;
};

// The request of the open dialog; null while none is open.
DirectoryRequest* request = nullptr;

// One tree item's directory. Owned by the dialog until it ends.
struct DirectoryNode {
    int expandedOnce = 0;
    char path[platform::kUtf8PathBufferSize] = "";
    int childCount = 0;
};

// The image list of the open dialog.
HIMAGELIST treeImages = nullptr;
int closedFolderImage = 0;
int openFolderImage = 0;
int driveImage = 0;

// Every node of the open dialog's tree; released when the dialog ends.
std::vector<std::unique_ptr<DirectoryNode>> nodes;

using platform::kErrorCaption;

// A new node for the path, or null when the path does not fit or memory runs out.
DirectoryNode* newNode(const std::string& path) {
    if (!ui::fitsPathBuffer(path)) return nullptr;
    std::unique_ptr<DirectoryNode> node(new (std::nothrow) DirectoryNode);
    if (!node) return nullptr;
    std::memcpy(node->path, path.c_str(), path.size() + 1);
    try {
        nodes.push_back(std::move(node));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return nodes.back().get();
}

HTREEITEM insertItem(HWND tree, HTREEITEM parent, const std::string& text, DirectoryNode* node) {
    std::wstring wide = platform::widen(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_SORT;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = &wide[0];
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.cChildren = I_CHILDRENCALLBACK;
    insert.item.lParam = reinterpret_cast<LPARAM>(node);
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

int appendIcon(HINSTANCE instance, int resource) {
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(resource));
    return ImageList_ReplaceIcon(treeImages, -1, icon);
}

void initialise(HWND dialog) {
    HWND tree = GetDlgItem(dialog, IDC_DIRECTORY_TREE);
    treeImages = ImageList_Create(16, 16, 0, 2, 0);
    if (treeImages != nullptr) {
        // The icons come from the module the dialog itself was made from.
        const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
        closedFolderImage = appendIcon(instance, IDI_FOLDER_CLOSED);
        openFolderImage = appendIcon(instance, IDI_FOLDER_OPEN);
        driveImage = appendIcon(instance, IDI_DRIVE);
        SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(treeImages));
    } else {
        MessageBoxW(dialog, L"Unable to create image list", platform::widen(kErrorCaption).c_str(), MB_ICONWARNING);
    }

    SendDlgItemMessageW(dialog, IDC_ADD_AS_DIRECTORY, BM_SETCHECK, BST_CHECKED, 0);

    wchar_t drives[platform::kPathBufferSize];
    const DWORD length = GetLogicalDriveStringsW(1023, drives);
    if (length == 0 || length > 1023) return;
    for (const wchar_t* root = drives; *root != L'\0'; root += std::wcslen(root) + 1) {
        const std::string drive = platform::narrow(root);
        DirectoryNode* node = newNode(drive);
        if (node != nullptr) insertItem(tree, TVI_ROOT, drive, node);
    }
}

void answerDisplayInfo(HWND tree, NMTVDISPINFOW* info) {
    const DirectoryNode* node = reinterpret_cast<const DirectoryNode*>(info->item.lParam);
    if (node == nullptr) return;
    TVITEMW& item = info->item;
    if ((item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) != 0) {
        const bool expanded =
            (SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item.hItem), TVIS_EXPANDED) &
             TVIS_EXPANDED) != 0;
        int image = closedFolderImage;
        switch (ui::treeImageFor(std::strlen(node->path), expanded, node->expandedOnce == 1, node->childCount)) {
        case ui::TreeImage::Drive:
            image = driveImage;
            break;
        case ui::TreeImage::OpenFolder:
            image = openFolderImage;
            break;
        case ui::TreeImage::ClosedFolder:
            break;
        }
        if ((item.mask & TVIF_IMAGE) != 0) item.iImage = image;
        if ((item.mask & TVIF_SELECTEDIMAGE) != 0) item.iSelectedImage = image;
    }
    // Until its directory has been read, an item has to offer to expand.
    if ((item.mask & TVIF_CHILDREN) != 0) item.cChildren = ui::childrenFor(node->expandedOnce == 1, node->childCount);
}

// Reads the item's subdirectories at its first expansion.
void expandOnce(HWND tree, HTREEITEM item, DirectoryNode* node) {
    node->expandedOnce = 1;
    ui::listSubdirectories(node->path, [&](const std::string& name, const std::string& path) {
        DirectoryNode* child = newNode(path);
        if (child == nullptr) return;
        ++node->childCount;
        insertItem(tree, item, name, child);
    });
}

void notify(HWND dialog, NMHDR* header) {
    if (header->idFrom != IDC_DIRECTORY_TREE) return;
    HWND tree = header->hwndFrom;
    switch (header->code) {
    case TVN_GETDISPINFOW:
        answerDisplayInfo(tree, reinterpret_cast<NMTVDISPINFOW*>(header));
        break;
    case TVN_ITEMEXPANDINGW: {
        NMTREEVIEWW* change = reinterpret_cast<NMTREEVIEWW*>(header);
        if ((change->action & (TVE_EXPAND | TVE_COLLAPSE)) != TVE_EXPAND) break;
        if ((change->itemNew.mask & TVIF_PARAM) == 0) break;
        DirectoryNode* node = reinterpret_cast<DirectoryNode*>(change->itemNew.lParam);
        if (node != nullptr && node->expandedOnce == 0) expandOnce(tree, change->itemNew.hItem, node);
        break;
    }
    case TVN_SELCHANGEDW: {
        const NMTREEVIEWW* change = reinterpret_cast<const NMTREEVIEWW*>(header);
        const DirectoryNode* node = reinterpret_cast<const DirectoryNode*>(change->itemNew.lParam);
        if (node != nullptr) {
            SetDlgItemTextW(dialog, IDC_DIRECTORY_NAME, platform::widen(node->path).c_str());
        }
        break;
    }
    default:
        break;
    }
}

// Appends the files of a directory to the options dialog's image list,
// descending into subdirectories when recursing (otherwise each subdirectory
// becomes a directory entry of its own).
void appendDirectoryFiles(HWND options, const char* directory, bool recurse) {
    ui::listDirectoryFiles(
        directory, recurse, [&](const std::string& path) { ui::appendImageListLine(options, path.c_str()); },
        [](const std::string& unreadable) {
            MessageBoxW(GetActiveWindow(), L"Unable to scan directory.", platform::widen(unreadable).c_str(),
                        MB_ICONWARNING);
        });
}

void addAndClose(HWND dialog) {
    const LRESULT length = SendDlgItemMessageW(dialog, IDC_DIRECTORY_NAME, EM_LINELENGTH, 0, 0);
    if (length <= 0) {
        EndDialog(dialog, IDOK);
        return;
    }
    if (static_cast<size_t>(length) >= platform::kPathBufferSize) {
        // The image list's users cannot hold such a path; let the user shorten it.
        MessageBoxW(dialog, L"The directory name is too long.", platform::widen(kErrorCaption).c_str(), MB_ICONWARNING);
        return;
    }
    wchar_t wide[platform::kPathBufferSize];
    // EM_GETLINE takes the buffer's capacity in its first word and adds no NUL.
    wide[0] = static_cast<wchar_t>(length);
    const LRESULT copied =
        SendDlgItemMessageW(dialog, IDC_DIRECTORY_NAME, EM_GETLINE, 0, reinterpret_cast<LPARAM>(wide));
    const std::string name = platform::narrow({wide, static_cast<size_t>(copied > 0 && copied <= length ? copied : 0)});

    if (SendDlgItemMessageW(dialog, IDC_ADD_FILES_IN_DIRECTORY, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        const bool recurse = SendDlgItemMessageW(dialog, IDC_SUBDIRECTORIES, BM_GETCHECK, 0, 0) == BST_CHECKED;
        appendDirectoryFiles(request->options, name.c_str(), recurse);
    } else {
        ui::appendImageListLine(request->options, name.c_str());
    }
    request->added = true;
    EndDialog(dialog, IDOK);
}

// Releases the tree's items before the nodes they point at, then the images.
void release(HWND dialog) {
    HWND tree = GetDlgItem(dialog, IDC_DIRECTORY_TREE);
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    nodes.clear();
    nodes.shrink_to_fit();
    if (treeImages != nullptr) {
        SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
        ImageList_Destroy(treeImages);
        treeImages = nullptr;
    }
}

void command(HWND dialog, int control) {
    switch (control) {
    case IDOK:
        addAndClose(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        break;
    case IDC_ADD_AS_DIRECTORY:
        EnableWindow(GetDlgItem(dialog, IDC_SUBDIRECTORIES), FALSE);
        break;
    case IDC_ADD_FILES_IN_DIRECTORY:
        EnableWindow(GetDlgItem(dialog, IDC_SUBDIRECTORIES), TRUE);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK directoryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return ui::guardCallback<INT_PTR>(TRUE, [&]() -> INT_PTR {
        switch (message) {
        case WM_INITDIALOG:
            request = reinterpret_cast<DirectoryRequest*>(lParam);
            initialise(dialog);
            return TRUE;
        case WM_NOTIFY:
            notify(dialog, reinterpret_cast<NMHDR*>(lParam));
            return FALSE;  // an expansion goes ahead
        case WM_COMMAND:
            command(dialog, LOWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case WM_DESTROY:
            release(dialog);
            request = nullptr;
            return FALSE;
        default:
            return FALSE;
        }
    });
}

}  // namespace

namespace ui {

bool addDirectoryFromDialog(HWND options) {
    DirectoryRequest opened{options, false};
    // The dialog's resources come from the module the options dialog was made from.
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(options, GWLP_HINSTANCE));
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SELECT_DIRECTORY), options, directoryDialogProc,
                    reinterpret_cast<LPARAM>(&opened));
    return opened.added;
}

}  // namespace ui
