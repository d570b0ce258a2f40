// The directory selection dialog: a lazily read tree of drives and directories,
// the directory name, and how the directory is added.
#include "ui/DirectoryDialog.h"
#include "ui/CallbackGuard.h"

#include <commctrl.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/PathBuffer.h"
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
    char path[platform::kPathBufferSize] = "";
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

HTREEITEM insertItem(HWND tree, HTREEITEM parent, const char* text, DirectoryNode* node) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_SORT;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = const_cast<char*>(text);
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.cChildren = I_CHILDRENCALLBACK;
    insert.item.lParam = reinterpret_cast<LPARAM>(node);
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

int appendIcon(HINSTANCE instance, int resource) {
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(resource));
    return ImageList_ReplaceIcon(treeImages, -1, icon);
}

void initialise(HWND dialog) {
    HWND tree = GetDlgItem(dialog, IDC_DIRECTORY_TREE);
    treeImages = ImageList_Create(16, 16, 0, 2, 0);
    if (treeImages != nullptr) {
        // The icons come from the module the dialog itself was made from.
        const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
        closedFolderImage = appendIcon(instance, IDI_FOLDER_CLOSED);
        openFolderImage = appendIcon(instance, IDI_FOLDER_OPEN);
        driveImage = appendIcon(instance, IDI_DRIVE);
        SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(treeImages));
    } else {
        MessageBoxA(dialog, "Unable to create image list", kErrorCaption, MB_ICONWARNING);
    }

    SendDlgItemMessageA(dialog, IDC_ADD_AS_DIRECTORY, BM_SETCHECK, BST_CHECKED, 0);

    char drives[platform::kPathBufferSize];
    if (GetLogicalDriveStringsA(1023, drives) == 0) return;
    for (const char* drive = drives; *drive != '\0'; drive += std::strlen(drive) + 1) {
        DirectoryNode* node = newNode(drive);
        if (node != nullptr) insertItem(tree, TVI_ROOT, drive, node);
    }
}

void answerDisplayInfo(HWND tree, NMTVDISPINFOA* info) {
    const DirectoryNode* node = reinterpret_cast<const DirectoryNode*>(info->item.lParam);
    if (node == nullptr) return;
    TVITEMA& item = info->item;
    if ((item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) != 0) {
        const bool expanded =
            (SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item.hItem), TVIS_EXPANDED) &
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
        insertItem(tree, item, name.c_str(), child);
    });
}

void notify(HWND dialog, NMHDR* header) {
    if (header->idFrom != IDC_DIRECTORY_TREE) return;
    HWND tree = header->hwndFrom;
    switch (header->code) {
    case TVN_GETDISPINFOA:
        answerDisplayInfo(tree, reinterpret_cast<NMTVDISPINFOA*>(header));
        break;
    case TVN_ITEMEXPANDINGA: {
        NMTREEVIEWA* change = reinterpret_cast<NMTREEVIEWA*>(header);
        if ((change->action & (TVE_EXPAND | TVE_COLLAPSE)) != TVE_EXPAND) break;
        if ((change->itemNew.mask & TVIF_PARAM) == 0) break;
        DirectoryNode* node = reinterpret_cast<DirectoryNode*>(change->itemNew.lParam);
        if (node != nullptr && node->expandedOnce == 0) expandOnce(tree, change->itemNew.hItem, node);
        break;
    }
    case TVN_SELCHANGEDA: {
        const NMTREEVIEWA* change = reinterpret_cast<const NMTREEVIEWA*>(header);
        const DirectoryNode* node = reinterpret_cast<const DirectoryNode*>(change->itemNew.lParam);
        if (node != nullptr) {
            SendDlgItemMessageA(dialog, IDC_DIRECTORY_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(node->path));
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
            MessageBoxA(GetActiveWindow(), "Unable to scan directory.", unreadable.c_str(), MB_ICONWARNING);
        });
}

void addAndClose(HWND dialog) {
    const LRESULT length = SendDlgItemMessageA(dialog, IDC_DIRECTORY_NAME, EM_LINELENGTH, 0, 0);
    if (length <= 0) {
        EndDialog(dialog, IDOK);
        return;
    }
    if (static_cast<size_t>(length) >= platform::kPathBufferSize) {
        // The image list's users cannot hold such a path; let the user shorten it.
        MessageBoxA(dialog, "The directory name is too long.", kErrorCaption, MB_ICONWARNING);
        return;
    }
    char name[platform::kPathBufferSize];
    // EM_GETLINE takes the buffer's capacity in its first word and adds no NUL.
    *reinterpret_cast<WORD*>(name) = static_cast<WORD>(length);
    const LRESULT copied =
        SendDlgItemMessageA(dialog, IDC_DIRECTORY_NAME, EM_GETLINE, 0, reinterpret_cast<LPARAM>(name));
    name[copied > 0 && copied <= length ? copied : 0] = '\0';

    if (SendDlgItemMessageA(dialog, IDC_ADD_FILES_IN_DIRECTORY, BM_GETCHECK, 0, 0) == BST_CHECKED) {
        const bool recurse = SendDlgItemMessageA(dialog, IDC_SUBDIRECTORIES, BM_GETCHECK, 0, 0) == BST_CHECKED;
        appendDirectoryFiles(request->options, name, recurse);
    } else {
        ui::appendImageListLine(request->options, name);
    }
    request->added = true;
    EndDialog(dialog, IDOK);
}

// Releases the tree's items before the nodes they point at, then the images.
void release(HWND dialog) {
    HWND tree = GetDlgItem(dialog, IDC_DIRECTORY_TREE);
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    nodes.clear();
    nodes.shrink_to_fit();
    if (treeImages != nullptr) {
        SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
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
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(options, GWLP_HINSTANCE));
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SELECT_DIRECTORY), options, directoryDialogProc,
                    reinterpret_cast<LPARAM>(&opened));
    return opened.added;
}

}  // namespace ui
