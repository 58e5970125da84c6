// The WebSocket to the server: numbered requests answered by replies, and the updates the server
// sends to every client (geometry frames, state, drawing, notices).
//
// The server sends the updates a request caused before its reply, so by the time a request's
// promise settles the page already holds the scene that request produced.

export class Connection {
  constructor(url, handlers) {
    this.handlers = handlers; // { geometry(buffer), removed(names), state, drawing, message, reply(reply), closed() }
    this.nextId = 1;
    this.pending = new Map();
    this.socket = new WebSocket(url);
    this.socket.binaryType = 'arraybuffer';
    this.opened = new Promise((resolve, reject) => {
      this.socket.addEventListener('open', () => resolve());
      this.socket.addEventListener('error', () => reject(new Error('the connection to vorn failed')));
    });
    this.socket.addEventListener('message', (event) => this.receive(event.data));
    this.socket.addEventListener('close', () => {
      for (const { reject } of this.pending.values()) reject(new Error('the connection to vorn closed'));
      this.pending.clear();
      this.handlers.closed?.();
    });
  }

  // Sends {id, op, ...fields}; resolves with the reply when ok, rejects with its error otherwise.
  request(op, fields = {}) {
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      this.socket.send(JSON.stringify({ id, op, ...fields }));
    });
  }

  // Sends text as it is, for probing how the server copes with what the page would never send.
  sendRaw(text) {
    this.socket.send(text);
  }

  receive(data) {
    if (data instanceof ArrayBuffer) {
      this.handlers.geometry(data);
      return;
    }
    const message = JSON.parse(data);
    switch (message.type) {
      case 'reply':
        this.settle(message);
        break;
      case 'removed':
        this.handlers.removed(message.items);
        break;
      case 'state':
        this.handlers.state(message);
        break;
      case 'drawing':
        this.handlers.drawing(message);
        break;
      case 'message':
        this.handlers.message(message);
        break;
      default:
        console.warn('unknown message from vorn', message);
    }
  }

  settle(reply) {
    this.handlers.reply?.(reply);
    const waiting = this.pending.get(reply.id);
    if (!waiting) return;
    this.pending.delete(reply.id);
    if (reply.ok) waiting.resolve(reply);
    else waiting.reject(new Error(reply.error));
  }
}
