-- The withholding store: the rows of the last declaration, read back in JID order
-- for the PDF listing. The database's default character set is WIN1252.

CREATE TABLE RETEN (
  JID     INTEGER NOT NULL,
  NROCOM  CHAR(20),
  FECHA   CHAR(20),
  IMPORTE NUMERIC(18,2),
  RAZON   CHAR(60),
  CUIT    CHAR(20),
  PERIODO CHAR(20),
  CONSTRAINT PK_RETEN PRIMARY KEY (JID)
);

-- JID follows the order of the inserts, whatever an insert gives for it.
CREATE SEQUENCE GEN_RETEN_JID;

SET TERM ^ ;

CREATE TRIGGER RETEN_BI FOR RETEN
ACTIVE BEFORE INSERT POSITION 0
AS
BEGIN
  NEW.JID = NEXT VALUE FOR GEN_RETEN_JID;
END^

SET TERM ; ^

-- One row, updated by a generation from the clerk's Yes to its commit: while one program
-- writes RETEN, another program's generation is refused before it writes anything.
CREATE TABLE RETEN_LOCK (
  ID INTEGER NOT NULL,
  CONSTRAINT PK_RETEN_LOCK PRIMARY KEY (ID)
);
INSERT INTO RETEN_LOCK (ID) VALUES (1);

-- What a clerk who attaches as another user than the database's owner needs: RETEN, the
-- sequence its trigger takes JID from, and the lock row (which a generation puts back when it
-- finds it gone). The user is the README's RETENCIONES; create_database --grant-to NAME gives
-- another user the same.
GRANT SELECT, INSERT, UPDATE, DELETE ON RETEN TO USER RETENCIONES;
GRANT USAGE ON SEQUENCE GEN_RETEN_JID TO USER RETENCIONES;
GRANT SELECT, INSERT, UPDATE ON RETEN_LOCK TO USER RETENCIONES;

-- The register of suppliers, learned from every declaration made, imported or reloaded: the
-- CUIT as the declaration writes it, the company name of the latest declaration exactly as
-- declared, the last period declared (YYYY-MM) and how many withholdings it has had.
CREATE TABLE SUJETO (
  CUIT     VARCHAR(20) NOT NULL,
  RAZON    VARCHAR(60) NOT NULL,
  PERIODO  CHAR(7),
  CANTIDAD INTEGER DEFAULT 0 NOT NULL,
  CONSTRAINT PK_SUJETO PRIMARY KEY (CUIT)
);
GRANT SELECT, INSERT, UPDATE ON SUJETO TO USER RETENCIONES;
