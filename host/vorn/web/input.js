// Mouse and keyboard in the view. Alt with a left or middle drag orbits, Shift with it pans, the
// wheel zooms; a middle drag navigates without Alt too while no tool is active (tools use the
// middle button). Everything else goes to the active tool as pointer events, or selects by a
// click when no tool is active.

const CLICK_SLOP = 4; // pixels a click may move and still count as a click

// Browser key names to the names tools bind.
const KEY_NAMES = {
  ArrowUp: 'Up',
  ArrowDown: 'Down',
  ArrowLeft: 'Left',
  ArrowRight: 'Right',
  Control: 'Ctrl',
  ' ': 'Space',
};

export const keyName = (event) => KEY_NAMES[event.key] ?? event.key;

const modifiers = (e) => ({ shift: e.shiftKey, ctrl: e.ctrlKey, alt: e.altKey });

// Hover and drag events are many and only the latest matters: while one is on its way the next
// waits, and a newer one replaces it. Other events first send the waiting one, keeping the order.
class MoveSender {
  constructor(send) {
    this.send = send;
    this.busy = false;
    this.waiting = null;
  }

  move(fields) {
    if (this.busy) {
      this.waiting = fields;
      return;
    }
    this.busy = true;
    this.send(fields).finally(() => {
      this.busy = false;
      const next = this.waiting;
      this.waiting = null;
      if (next) this.move(next);
    });
  }

  flush() {
    const next = this.waiting;
    this.waiting = null;
    if (next) this.send(next);
  }
}

export class ViewInput {
  // app: { camera, cameraChanged(), toolActive(), toolBindings(), send(op, fields) -> promise }
  constructor(element, app) {
    this.element = element;
    this.app = app;
    this.navigating = null; // 'orbit' | 'pan' while a navigation drag lasts
    this.toolButton = null; // the button pressed for the tool, until released
    this.clickStart = null;
    this.last = null;
    this.moves = new MoveSender((fields) => app.send('pointer', fields));
    element.addEventListener('pointerdown', (e) => this.down(e));
    element.addEventListener('pointermove', (e) => this.move(e));
    element.addEventListener('pointerup', (e) => this.up(e));
    element.addEventListener('wheel', (e) => this.wheel(e), { passive: false });
    element.addEventListener('contextmenu', (e) => e.preventDefault());
    window.addEventListener('keydown', (e) => this.key(e, false));
    window.addEventListener('keyup', (e) => this.key(e, true));
  }

  at(e) {
    const r = this.element.getBoundingClientRect();
    return { x: e.clientX - r.left, y: e.clientY - r.top };
  }

  down(e) {
    this.element.setPointerCapture(e.pointerId);
    e.preventDefault();
    // Keys go to the view again (tool bindings, undo) once the person works in it.
    document.activeElement?.blur?.();
    const p = this.at(e);
    this.last = p;
    const navigation = e.altKey ? e.button <= 1 : e.button === 1 && !this.app.toolActive();
    if (navigation) {
      this.navigating = e.shiftKey ? 'pan' : 'orbit';
      return;
    }
    if (this.app.toolActive()) {
      if (this.toolButton !== null) return;
      this.toolButton = e.button;
      this.moves.flush();
      this.app.send('pointer', { event: 'press', ...p, button: e.button, ...modifiers(e) });
    } else if (e.button === 0) {
      this.clickStart = p;
    }
  }

  move(e) {
    const p = this.at(e);
    if (this.navigating) {
      const dx = p.x - this.last.x;
      const dy = p.y - this.last.y;
      if (this.navigating === 'pan') this.app.camera.pan(dx, dy);
      else this.app.camera.orbit(dx, dy);
      this.last = p;
      this.app.cameraChanged();
      return;
    }
    // The navigation modifier held over the view means the person is about to navigate.
    if (!this.app.toolActive() || (e.altKey && this.toolButton === null)) return;
    const event = this.toolButton === null ? 'hover' : 'drag';
    this.moves.move({ event, ...p, ...modifiers(e) });
  }

  up(e) {
    const p = this.at(e);
    if (this.navigating) {
      this.navigating = null;
      return;
    }
    if (this.toolButton !== null && e.button === this.toolButton) {
      this.toolButton = null;
      this.moves.flush();
      this.app.send('pointer', { event: 'release', ...p, button: e.button, ...modifiers(e) });
      return;
    }
    const start = this.clickStart;
    this.clickStart = null;
    if (start && e.button === 0 && Math.hypot(p.x - start.x, p.y - start.y) <= CLICK_SLOP) {
      this.app.send('click', { ...p, shift: e.shiftKey, ctrl: e.ctrlKey });
    }
  }

  wheel(e) {
    e.preventDefault();
    this.app.camera.zoom(Math.exp(e.deltaY * 0.001));
    this.app.cameraChanged();
  }

  key(e, released) {
    const target = e.target;
    if (target instanceof HTMLInputElement || target instanceof HTMLSelectElement) return;
    if (!released && (e.ctrlKey || e.metaKey) && e.key.toLowerCase() === 'z') {
      e.preventDefault();
      this.app.send(e.shiftKey ? 'redo' : 'undo', {});
      return;
    }
    if (!released && e.key === 'Escape') {
      if (this.app.toolActive()) this.app.send('drop', {});
      return;
    }
    if (!this.app.toolActive() || (e.repeat && !released)) return;
    const name = keyName(e);
    const bound = this.app.toolBindings().find((b) => b.key.toLowerCase() === name.toLowerCase());
    if (!bound) return;
    e.preventDefault();
    this.app.send('key', released ? { key: bound.key, released: true } : { key: bound.key });
  }
}
