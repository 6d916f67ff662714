#include "Panel.h"

#include <cwchar>
#include <new>

namespace {

PanelDescriptor* DescriptorOf(HWND window) {
    return reinterpret_cast<PanelDescriptor*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

POINT PointOf(LPARAM lParam) {
    return {static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
}

int HitIndex(const PanelModel* model, POINT point) {
    for (int i = model->widgetCount - 1; i >= 0; --i)
        if (model->widgets[i]->HitTest(point)) return i;
    return -1;
}

using MouseOperation = void (KWidget::*)(int x, int y, int keys);

void Deliver(KWidget* widget, MouseOperation operation, POINT point, int keys) {
    const RECT r = widget->GetRect();
    (widget->*operation)(point.x - r.left, point.y - r.top, keys);
}

void RoutePress(HWND window, PanelModel* model, MouseOperation press, POINT point, int keys) {
    for (int i = model->widgetCount - 1; i >= 0; --i) model->widgets[i]->SetMenuOpen(false);
    ::SetCapture(window);
    const int hit = HitIndex(model, point);
    if (hit < 0) return;
    // Set first: nothing of the model is touched once the widget has run
    // (its press may open a modal loop, in which the panel can go).
    model->captureIndex = hit;
    Deliver(model->widgets[hit], press, point, keys);
}

void RouteRelease(PanelModel* model, MouseOperation release, POINT point, int keys) {
    ::ReleaseCapture();
    if (model->captureIndex < 0) return;
    // Cleared first, for the same reason as the press.
    const int captured = model->captureIndex;
    model->captureIndex = -1;
    Deliver(model->widgets[captured], release, point, keys);
}

void RouteDoubleClick(PanelModel* model, MouseOperation doubleClick, POINT point, int keys) {
    const int hit = HitIndex(model, point);
    if (hit >= 0) Deliver(model->widgets[hit], doubleClick, point, keys);
}

void RouteMove(PanelModel* model, POINT point, int keys) {
    if (model->captureIndex >= 0) {
        Deliver(model->widgets[model->captureIndex], &KWidget::OnMouseMove, point, keys);
        return;
    }
    const int hit = HitIndex(model, point);
    if (hit >= 0) {
        Deliver(model->widgets[hit], &KWidget::OnMouseMove, point, keys);
        if (hit != model->hoverIndex) {
            if (model->hoverIndex >= 0) model->widgets[model->hoverIndex]->OnMouseLeave();
            model->widgets[hit]->OnMouseEnter();
            model->hoverIndex = hit;
        }
    } else if (model->hoverIndex >= 0) {
        model->widgets[model->hoverIndex]->OnMouseLeave();
        model->hoverIndex = -1;
    }
}

void RouteWheel(HWND window, PanelModel* model, WPARAM wParam, LPARAM lParam) {
    POINT point = PointOf(lParam);
    ::ScreenToClient(window, &point);
    const int hit = HitIndex(model, point);
    if (hit < 0) return;
    KWidget* widget = model->widgets[hit];
    const RECT r = widget->GetRect();
    widget->OnMouseWheel(point.x - r.left, point.y - r.top, LOWORD(wParam), HIWORD(wParam));
}

void RouteMenuCommand(PanelModel* model, int id) {
    for (int i = model->widgetCount - 1; i >= 0; --i) {
        if (model->widgets[i]->IsMenuOpen()) {
            model->widgets[i]->OnMenuCommand(id - kPopupMenuFirstId);
            return;
        }
    }
}

// Fits the class name's 8 hex digits in both builds: a 64-bit handle is
// folded to 32 bits.
uint32_t HandleDigits(HINSTANCE module) {
    const auto bits = reinterpret_cast<uintptr_t>(module);
    return static_cast<uint32_t>(bits ^ (static_cast<uint64_t>(bits) >> 32));
}

} // namespace

HINSTANCE PanelCodeModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&PanelWndProc), &module);
    return module;
}

void RegisterPanelClass(PanelDescriptor* descriptor) {
    const HINSTANCE code = PanelCodeModule();
    std::swprintf(descriptor->className, 20, L"Panelkit%08x", HandleDigits(code));
    WNDCLASSW windowClass = {};
    windowClass.style = CS_GLOBALCLASS | CS_DBLCLKS;
    windowClass.lpfnWndProc = PanelWndProc;
    windowClass.hInstance = code;
    windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = descriptor->className;
    // All panels of the module share the class: a second registration fails
    // harmlessly.
    ::RegisterClassW(&windowClass);
}

void CreatePanelWindow(PanelDescriptor* descriptor, HINSTANCE module, HWND parent, Gdiplus::Bitmap* background) {
    if (descriptor->model != nullptr) DestroyPanelWindow(descriptor);
    descriptor->hInstance = module;
    descriptor->parentWindow = parent;
    // The panel takes its size from the background: without one (its skin
    // did not load) there is no panel.
    if (background == nullptr) return;
    RegisterPanelClass(descriptor);
    const int width = static_cast<int>(background->GetWidth());
    const int height = static_cast<int>(background->GetHeight());
    const HWND window = ::CreateWindowExW(0, descriptor->className, L"Window", WS_CHILD | WS_VISIBLE, 0, 0, width,
                                          height, parent, nullptr, module, nullptr);
    descriptor->window = window;
    if (window == nullptr) return;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(descriptor));
    auto* model = new (std::nothrow) PanelModel();
    if (model != nullptr) {
        model->window = window;
        model->widgetCount = 0;
        model->hoverIndex = -1;
        model->captureIndex = -1;
        model->background = background;
        model->clearColor = 0xFFFFFFFF;
        model->tileBackground = false;
    }
    descriptor->model = model;
    ::SetFocus(window);
}

void DestroyPanelWindow(PanelDescriptor* descriptor) {
    // Other threads (meters, the audio thread) keep calling the widgets:
    // they must stop reaching this window before it goes.
    if (PanelModel* model = descriptor->model) {
        for (int i = 0; i < model->widgetCount; ++i) model->widgets[i]->SetOwnerWindow(nullptr);
    }
    if (descriptor->window != nullptr) {
        ::SetWindowLongPtrW(descriptor->window, GWLP_USERDATA, 0);
        ::DestroyWindow(descriptor->window);
    }
    // Fails harmlessly while another panel of the module exists.
    ::UnregisterClassW(descriptor->className, PanelCodeModule());
    delete descriptor->model;
    descriptor->model = nullptr;
    descriptor->hInstance = nullptr;
    descriptor->parentWindow = nullptr;
    descriptor->window = nullptr;
}

void AddWidget(PanelModel* model, KWidget* widget) {
    if (model == nullptr || model->widgetCount >= kPanelMaxWidgets) return;
    model->widgets[model->widgetCount++] = widget;
    widget->SetOwnerWindow(model->window);
}

LRESULT CALLBACK PanelWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PanelDescriptor* descriptor = DescriptorOf(window);
    if (descriptor == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    PanelModel* model = descriptor->model;
    const int keys = static_cast<int>(wParam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = ::BeginPaint(window, &paint);
        if (model != nullptr) PaintPanel(dc, model);
        ::EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        if (model != nullptr) return 1;
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (model != nullptr) {
            for (int i = model->widgetCount - 1; i >= 0; --i) {
                if (message == WM_KEYDOWN)
                    model->widgets[i]->OnKeyDown(static_cast<int>(wParam));
                else
                    model->widgets[i]->OnKeyUp(static_cast<int>(wParam));
            }
        }
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id >= kPopupMenuFirstId && id <= kPopupMenuLastId) {
            if (model != nullptr) RouteMenuCommand(model, id);
        } else if (descriptor->commandCallback != nullptr) {
            descriptor->commandCallback(id, descriptor->callbackContext);
        }
        break;
    }
    case WM_TIMER:
        if (descriptor->timerCallback != nullptr)
            descriptor->timerCallback(static_cast<int>(wParam), descriptor->callbackContext);
        break;
    case WM_MOUSEMOVE:
        if (model != nullptr) RouteMove(model, PointOf(lParam), keys);
        break;
    case WM_LBUTTONDOWN:
        ::SetFocus(window);
        if (model != nullptr) RoutePress(window, model, &KWidget::OnLButtonDown, PointOf(lParam), keys);
        break;
    case WM_LBUTTONUP:
        if (model != nullptr) RouteRelease(model, &KWidget::OnLButtonUp, PointOf(lParam), keys);
        break;
    case WM_LBUTTONDBLCLK:
        if (model != nullptr) RouteDoubleClick(model, &KWidget::OnLButtonDblClk, PointOf(lParam), keys);
        break;
    case WM_RBUTTONDOWN:
        if (model != nullptr) RoutePress(window, model, &KWidget::OnRButtonDown, PointOf(lParam), keys);
        break;
    case WM_RBUTTONUP:
        if (model != nullptr) RouteRelease(model, &KWidget::OnRButtonUp, PointOf(lParam), keys);
        break;
    case WM_RBUTTONDBLCLK:
        if (model != nullptr) RouteDoubleClick(model, &KWidget::OnRButtonDblClk, PointOf(lParam), keys);
        break;
    case WM_MOUSEWHEEL:
        if (model != nullptr) RouteWheel(window, model, wParam, lParam);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}
