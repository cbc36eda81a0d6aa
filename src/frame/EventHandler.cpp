// EventHandler: a handler ignores whatever it does not override.
#include "frame/EventHandler.h"

EventHandler::~EventHandler() = default;
void EventHandler::OnEvent(SDL_Event*) {
}
void EventHandler::OnKeyDown(SDLKey) {
}
void EventHandler::OnKeyUp(SDLKey) {
}
void EventHandler::Update() {
}
void EventHandler::OnMouseMove(int, int) {
}
void EventHandler::OnMouseButton(int, int, int) {
}
bool EventHandler::DrawsOver(const SDL_Rect&) const {
    return false;
}
