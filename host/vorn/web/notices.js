// Notices in a corner of the page: the host's messages and refused requests. Errors stay until
// clicked away; other notices fade after a while.

const LIFETIME_MS = 6000;

export class Notices {
  constructor(root) {
    this.root = root;
  }

  show(level, text) {
    const notice = document.createElement('div');
    notice.className = `notice ${level}`;
    notice.textContent = text;
    notice.title = 'click to dismiss';
    notice.addEventListener('click', () => notice.remove());
    this.root.append(notice);
    if (level !== 'error') setTimeout(() => notice.remove(), LIFETIME_MS);
    // A burst of notices must not cover the view.
    while (this.root.childElementCount > 6) this.root.firstElementChild.remove();
  }
}
