#pragma once
// What the plug-in base needs of its editor. The editor (IGraphics) implements it; the base
// owns the editor through this interface and never sees the graphics classes.

namespace fluvia {

class IEditorLink {
 public:
  virtual ~IEditorLink() = default;

  // A parameter changed on the plug-in side: update the bound controls (values only; the
  // editor's timer redraws). With normalised false the value is a real value. Never waits
  // for the editor's thread, but may take the editor's lock when it is free.
  virtual void SetParameterFromPlug(int index, double value, bool normalised) = 0;
  // The same from a thread that must not wait even for a moment, nor allocate (the audio
  // thread, a host call that may come from it): the value is only recorded, and the editor
  // shows it at its next redraw or event.
  virtual void PostParameterFromPlug(int index, double normalised) {
    SetParameterFromPlug(index, normalised, true);
  }
  // Creates the drawing surfaces at the editor size.
  virtual void PrepareDrawing() = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Opens the editor window as a child of a host window (a platform window handle); returns
  // the editor's own window handle, or nullptr when it cannot open one.
  virtual void* OpenWindow(void* parent) = 0;
  virtual void CloseWindow() = 0;
  virtual bool WindowIsOpen() const = 0;
};

}  // namespace fluvia
