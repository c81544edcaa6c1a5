#include "link/link_ui_adapter.h"

namespace norvik {

void LinkUiAdapter::changed(const LinkView& view, LinkChange change) {
    switch (change) {
    case LinkChange::Status: ui_.setLinkStatus(view.status, view.statusCode); break;
    case LinkChange::Operation: ui_.setOperation(view.operation); break;
    case LinkChange::Progress: ui_.setProgress(view.progress); break;
    case LinkChange::PortLamp: ui_.setPortLamp(view.portLamp); break;
    case LinkChange::ModuleLamp: ui_.setModuleLamp(view.moduleLamp); break;
    case LinkChange::ConnectionMenu: ui_.setConnectionMenu(view.connectEnabled, view.disconnectEnabled); break;
    case LinkChange::IpSettingMenu: ui_.setIpSettingMenu(view.ipSettingMenu); break;
    case LinkChange::PortBoxes: ui_.setPortBoxesEnabled(view.portBoxesEnabled); break;
    case LinkChange::TreeRebuilt: ui_.rebuildTree(); break;
    case LinkChange::TreeCleared: ui_.clearTree(); break;
    case LinkChange::ListReset: ui_.resetList(); break;
    case LinkChange::Notice: ui_.showNotice(view.notice); break;
    }
}

}  // namespace norvik
