// The toolbar (selection modes, undo and redo, new items, files, camera) and the item list.

const NEW_ITEM = {
  grid: { nx: 8, ny: 8, size: 2 },
  box: { size: 1 },
  tube: { segments: 16, rings: 4, radius: 1, height: 2 },
};

// Offers text as a file the browser saves.
function download(filename, text) {
  const url = URL.createObjectURL(new Blob([text], { type: 'text/plain' }));
  const a = document.createElement('a');
  a.href = url;
  a.download = filename;
  a.click();
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}

export class Toolbar {
  // app: { send(op, fields) -> promise, frameAll(), setOrthographic(on) }
  constructor(app) {
    this.app = app;
    const $ = (selector) => document.querySelector(selector);
    this.modeButtons = [...document.querySelectorAll('[data-mode]')];
    for (const b of this.modeButtons) b.addEventListener('click', () => app.send('mode', { mode: b.dataset.mode }));
    this.undo = $('#undo');
    this.redo = $('#redo');
    this.undo.addEventListener('click', () => app.send('undo', {}));
    this.redo.addEventListener('click', () => app.send('redo', {}));
    for (const b of document.querySelectorAll('[data-new]')) {
      b.addEventListener('click', () => app.send('new', { kind: b.dataset.new, ...NEW_ITEM[b.dataset.new] }));
    }
    const file = $('#open-file');
    $('#open').addEventListener('click', () => file.click());
    file.addEventListener('change', async () => {
      const chosen = file.files[0];
      file.value = '';
      if (chosen) app.send('open', { filename: chosen.name, data: await chosen.text() });
    });
    for (const b of document.querySelectorAll('[data-download]')) {
      b.addEventListener('click', async () => {
        const reply = await app.send('download', { format: b.dataset.download });
        if (reply) download(reply.filename, reply.data);
      });
    }
    $('#script').addEventListener('click', async () => {
      const reply = await app.send('script', {});
      if (reply) download(reply.filename, reply.data);
    });
    $('#frame').addEventListener('click', () => app.frameAll());
    $('#ortho').addEventListener('change', (e) => app.setOrthographic(e.target.checked));
    this.drop = $('#drop');
    this.drop.addEventListener('click', () => app.send('drop', {}));
    this.items = $('#items');
    this.status = $('#status');
  }

  setState(state) {
    for (const b of this.modeButtons) b.classList.toggle('active', b.dataset.mode === state.mode);
    this.undo.disabled = state.undo.length === 0;
    this.redo.disabled = state.redo.length === 0;
    this.undo.title = state.undo.length ? `Undo ${state.undo[state.undo.length - 1]} (Ctrl+Z)` : 'Nothing to undo';
    this.redo.title = state.redo.length ? `Redo ${state.redo[0]} (Ctrl+Shift+Z)` : 'Nothing to redo';
    this.undo.textContent = state.undo.length ? `Undo ${state.undo[state.undo.length - 1]}` : 'Undo';
    this.redo.textContent = state.redo.length ? `Redo ${state.redo[0]}` : 'Redo';
    this.drop.hidden = !state.tool;
    this.status.textContent = state.tool ? `${state.tool.user_name ?? state.tool.name} active` : '';
    this.showItems(state.items);
  }

  showItems(items) {
    this.items.replaceChildren();
    const heading = document.createElement('h3');
    heading.textContent = 'Items';
    this.items.append(heading);
    for (const item of items) {
      const row = document.createElement('div');
      row.className = `item${item.selected ? ' selected' : ''}`;
      row.dataset.item = item.name;
      row.dataset.polygons = item.polygons;
      const name = document.createElement('span');
      name.textContent = item.name;
      const counts = document.createElement('small');
      counts.textContent = `${item.points} pts · ${item.polygons} polys`;
      row.append(name, counts);
      // Shift adds the item to the selection, as a shift-click in the view does.
      row.addEventListener('click', (e) => {
        const names = items.filter((i) => i.selected && e.shiftKey).map((i) => i.name);
        this.app.send('items', { names: [...new Set([...names, item.name])] });
      });
      this.items.append(row);
    }
  }
}
